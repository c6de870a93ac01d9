// quillmere run [DIR] [--table N] [--first-row-data] [--keep-text]
// [--progress]: what a click on the start button does, without a window:
// DIR/test.doc to dt_table of DIR/data.mdb, with test.html, tabletest.html
// and cc.html.
#include <iostream>

#include "app/cli.h"
#include "app/stderr_progress.h"
#include "capture/start_command.h"
#include "output/dt_table.h"
#include "platform/document/document_server.h"
#include "platform/filename.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillmere run [DIR] [--table N] [--first-row-data] [--keep-text] [--progress]\n"
    "  Does what the start button does, in DIR (the program's folder by default):\n"
    "  DIR/test.doc is saved as DIR/test.html, its table N (1 by default) goes to\n"
    "  DIR/tabletest.html and into dt_table of DIR/data.mdb, and DIR/cc.html shows\n"
    "  it. The table's first row is a header and is skipped unless --first-row-data\n"
    "  is given. --keep-text stores each cell's text as a person reads it (case\n"
    "  kept, character references decoded, white space folded) rather than\n"
    "  lowercased without blanks. --progress shows the status texts on standard\n"
    "  error.\n";

// The window's controls as the arguments set them: the entry for table N
// selected, Check1 ticked unless the first row is data.
class OptionControls : public StartControls {
 public:
  OptionControls(int32_t table, bool first_row_data)
      : table_(table), first_row_data_(first_row_data) {}
  int Combo1ListIndex() const override { return table_ - 1; }
  void SetCombo1ListIndex(int) override {}
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return first_row_data_ ? 0 : 1; }

 private:
  const int32_t table_;
  const bool first_row_data_;
};

// The table number --table gives: 1 when it is not given.
std::optional<int32_t> TableNumber(const Arguments& arguments, std::string* problem) {
  if (arguments.values.count("--table") == 0) return 1;
  const std::string n = arguments.Value("--table");
  char* end = nullptr;
  long value = std::strtol(n.c_str(), &end, 10);
  if (n.empty() || *end != '\0' || value < 1 || value > INT32_MAX) {
    *problem = "--table needs a table number from 1 on, not \"" + n + "\".";
    return std::nullopt;
  }
  return static_cast<int32_t>(value);
}

}  // namespace

int Run(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options = ParseArguments(
      args, {"--first-row-data", "--keep-text", "--progress"}, {"--table"}, &problem);
  std::optional<int32_t> table = options ? TableNumber(*options, &problem) : std::nullopt;
  if (!table) return Misused(problem, kUsage);

  const std::u16string folder = options->operand.value_or("").empty()
                                    ? files::ApplicationFolder()
                                    : FolderArgument(*options->operand);
  document::DocumentServer FramerControl1;
  OptionControls controls(*table, options->Has("--first-row-data"));
  FormState form;
  if (options->Has("--keep-text")) form.cell_texts = CellTexts::kKept;
  NoBrowser WebBrowser1;
  StderrProgress Label1(options->Has("--progress"));
  StartContext window{folder, FramerControl1, controls, form, WebBrowser1, Label1};
  Status status = Command1_Click(window);
  Label1.Done();
  return Reported(status, form, folder);
}

}  // namespace quillmere::cli
