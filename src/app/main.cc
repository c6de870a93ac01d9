// quillmere (no arguments): opens the window; see app/run_window.h.
// quillmere newdb ... and quillmere convert ...: see app/cli.h.
// quillmere [PAGE]: converts the first table of a Word-saved web page (code
// page 936) and prints its rows, one line each, cells separated by tabs.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "convert/conversion.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/limits.h"
#include "platform/unicode.h"
#if QUILLMERE_GUI
#include "app/run_window.h"
#endif

namespace quillmere {
namespace {

class PrintingSink : public TableSink {
 public:
  Status BeginRows() override { return Status(); }
  Status Cell(int64_t k, std::u16string_view text) override {
    line_ += (k ? "\t" : "") + unicode::ToUtf8(text.substr(text.rfind(u"<td>", 0) == 0 ? 4 : 0));
    return Status();
  }
  Status EndRow(int64_t) override {
    std::cout << line_ << "\n";
    line_.clear();
    return Status();
  }
  Status Finish() override { return Status(); }

 private:
  std::string line_;
};

int Run(const std::string& page_path) {
  std::string bytes;
  Status status = files::ReadWholeFile(page_path, kMaxPageBytes, &bytes);
  std::u16string page = codepage::DecodeCp936(bytes);
  size_t table = page.find(u"<table ");
  if (status.ok() && table == std::u16string::npos) {
    status = Status(ErrorNumber::kNoRows, "\"" + page_path + "\" holds no table.");
  }
  if (status.ok()) {
    PrintingSink sink;
    SilentProgress progress;
    status = ConvertTable(std::u16string_view(page).substr(table + 7), sink, progress);
  }
  if (!status.ok()) {
    std::cerr << status.ToString() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
#if QUILLMERE_GUI
  if (argc < 2) return quillmere::RunWindow(argc, argv);
#endif
  const std::string command = argc > 1 ? argv[1] : "";
  const std::vector<std::string> args(argv + std::min(argc, 2), argv + argc);
  if (command == "newdb") return quillmere::cli::Newdb(args);
  if (command == "convert") return quillmere::cli::Convert(args);
  if (command == "run") return quillmere::cli::Run(args);
  return quillmere::Run(argc > 1 ? argv[1] : QUILLMERE_SOURCE_DIR "/samples/sample-table.html");
}
