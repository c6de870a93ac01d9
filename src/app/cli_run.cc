// quillmere run [DIR] [--table N] [--first-row-data] [--progress]: what a
// click on the start button does, without a window: DIR/test.doc to
// dt_table of DIR/data.mdb, with test.html, tabletest.html and cc.html.
#include <iostream>

#include "app/cli.h"
#include "app/stderr_progress.h"
#include "capture/start_command.h"
#include "output/dt_table.h"
#include "platform/document/document_server.h"
#include "platform/files.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillmere run [DIR] [--table N] [--first-row-data] [--progress]\n"
    "  Does what the start button does, in DIR (the program's folder by default):\n"
    "  DIR/test.doc is saved as DIR/test.html, its table N (1 by default) goes to\n"
    "  DIR/tabletest.html and into dt_table of DIR/data.mdb, and DIR/cc.html shows\n"
    "  it. The table's first row is a header and is skipped unless --first-row-data\n"
    "  is given. --progress shows the status texts on standard error.\n";

struct RunOptions {
  std::string folder;
  int32_t table = 1;
  bool first_row_data = false;
  bool progress = false;
};

// The window's controls as the options set them: the entry for table N
// selected, Check1 ticked unless the first row is data.
class OptionControls : public StartControls {
 public:
  explicit OptionControls(const RunOptions& options) : options_(options) {}
  int Combo1ListIndex() const override { return options_.table - 1; }
  void SetCombo1ListIndex(int) override {}
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return options_.first_row_data ? 0 : 1; }

 private:
  const RunOptions& options_;
};

std::optional<RunOptions> Parse(const std::vector<std::string>& args, std::string* problem) {
  RunOptions options;
  bool have_folder = false;
  for (size_t a = 0; a < args.size(); ++a) {
    const std::string& arg = args[a];
    if (arg == "--table" && a + 1 < args.size()) {
      const std::string& n = args[++a];
      char* end = nullptr;
      long value = std::strtol(n.c_str(), &end, 10);
      if (n.empty() || *end != '\0' || value < 1 || value > INT32_MAX) {
        *problem = "--table needs a table number from 1 on, not \"" + n + "\".";
        return std::nullopt;
      }
      options.table = static_cast<int32_t>(value);
    } else if (arg == "--first-row-data") {
      options.first_row_data = true;
    } else if (arg == "--progress") {
      options.progress = true;
    } else if (arg.rfind("-", 0) == 0 || have_folder) {
      *problem = "unexpected argument \"" + arg + "\".";
      return std::nullopt;
    } else {
      options.folder = arg;
      have_folder = true;
    }
  }
  return options;
}

}  // namespace

int Run(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<RunOptions> options = Parse(args, &problem);
  if (!options) return Misused(problem, kUsage);

  const std::u16string folder =
      options->folder.empty() ? files::ApplicationFolder() : FolderArgument(options->folder);
  document::DocumentServer FramerControl1;
  OptionControls controls(*options);
  FormState form;
  NoBrowser WebBrowser1;
  StderrProgress Label1(options->progress);
  StartContext window{folder, FramerControl1, controls, form, WebBrowser1, Label1};
  Status status = Command1_Click(window);
  Label1.Done();
  return Reported(status, form, folder);
}

}  // namespace quillmere::cli
