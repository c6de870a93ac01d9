#include "app/run_window.h"

#include <QApplication>

#include "capture/collect_command.h"
#include "capture/document_list.h"
#include "capture/forms_command.h"
#include "capture/start_command.h"
#include "document/document_server.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "platform/messages.h"
#include "platform/program_paths.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"

namespace quillmere {

namespace {

StartContext Window(Form1& form) {
  return StartContext{form.app_folder(), form.FramerControl1(), form,
                      form.state(),      form.WebBrowser1(),    form.Label1Progress()};
}

Status Start(Form1& form) {
  StartContext window = Window(form);
  return Command1_Click(window);
}

// With Check2 ticked: the documents read as filled-in forms, the form
// being the table Combo1 chooses, the documents teaching its labels.
Status ReadDroppedForms(StartContext& window, const std::vector<std::string>& documents) {
  FormsOptions options;
  options.tables.first = options.tables.last = SelectedTable(window.controls);
  FormsRead read;
  return ReadForms(window, documents, options, &read);
}

// The documents dropped (a folder's documents for a folder): one is run as
// if it were test.doc, several collected with the window's table and header
// option; any bad one stops the collection. With Check2 ticked, they are
// read as forms.
Status Drop(Form1& form, const std::vector<std::string>& paths) {
  std::vector<std::string> documents;
  QM_RETURN_IF_ERROR(ListDocuments(paths, files::Disk(), &documents));
  StartContext window = Window(form);
  if (form.OneRecordPerDocument()) return ReadDroppedForms(window, documents);
  if (documents.size() == 1) {
    window.document = files::ProgramPath(documents[0]);
    return Command1_Click(window);
  }
  Collected collected;
  return CollectTables(window, documents, false, &collected);
}

// The conversion on its own, as the hidden Command3 would run it: on an open
// connection its inserts form one transaction; on a closed one the first
// insert fails, as it always has.
Status Convert(Form1& form) {
  FormState& state = form.state();
  adodb::Connection& cn = adodb::EnsureCreated(state.cn);
  auto convert = [&] {
    return Command3_Click(state, form.app_folder(), form.WebBrowser1(), form.Label1Progress());
  };
  if (cn.State() != adodb::kStateOpen) return convert();
  return RunInTransaction(cn, convert);
}

}  // namespace

Form1Commands WindowCommands() { return Form1Commands{Start, Convert, Drop}; }

int RunWindow(int& argc, char** argv, const std::u16string& folder) {
  PrepareWebEngine();
  QApplication app(argc, argv);
  QApplication::setDesktopFileName("quillmere");  // the menu entry, quillmere.desktop
  // After QApplication, which sets the locale from the environment.
  messages::Use(messages::Language::kChinese, messages::Reader::kWindow);
  document::DocumentServer document_server;
  Form1 form(folder, document_server, WindowCommands());
  form.show();
  return app.exec();
}

}  // namespace quillmere
