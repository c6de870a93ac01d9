#include "app/run_window.h"

#include <QApplication>

#include "app/form1.h"
#include "platform/files.h"

namespace quillmere {

namespace {

// Stand-ins until the document server and the commands are part of the
// build: every command fails with a message saying so, and the document pane
// holds nothing (closing it succeeds, as it does with no document open).
Status NotInThisBuildYet(const char* what) {
  return Status(ErrorNumber::kConverterFailed,
                std::string(what) + " is not part of this build yet.");
}

class NoDocumentServer : public DocumentHost {
 public:
  Status Open(std::u16string_view, bool, std::u16string_view, std::u16string_view,
              std::u16string_view) override {
    return NotInThisBuildYet("The document server");
  }
  Status ActiveDocument(WordDocument**) override {
    return Status(ErrorNumber::kNoDocumentOpen, "No document is open.");
  }
  Status Close() override { return Status(); }
};

Form1Commands Commands() {
  Form1Commands commands;
  commands.start = [](Form1&) { return NotInThisBuildYet("The start command"); };
  commands.conversion = [](Form1&) { return NotInThisBuildYet("The conversion command"); };
  return commands;
}

}  // namespace

int RunWindow(int& argc, char** argv) {
  QApplication app(argc, argv);
  NoDocumentServer document_server;
  Form1 form(files::ApplicationFolder(), document_server, Commands());
  form.show();
  return app.exec();
}

}  // namespace quillmere
