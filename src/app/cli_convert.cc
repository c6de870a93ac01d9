// quillmere convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8]
// [--progress]: one run of the conversion on a table's markup, as the start
// command runs it once it has the table: data.mdb in DIR opened, dt_table
// emptied and refilled in one transaction, DIR/cc.html written.
#include <iostream>

#include "app/cli.h"
#include "app/stderr_progress.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/limits.h"
#include "platform/unicode.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillmere convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--progress]\n"
    "  Converts the table markup in MARKUP_FILE (code page 936, or UTF-8 with --utf8;\n"
    "  tabletest.html repeats a run) into dt_table of DIR/data.mdb (DIR: the current\n"
    "  folder by default) and writes DIR/cc.html. The table's first row is a header\n"
    "  and is skipped unless --first-row-data is given. --progress shows the status\n"
    "  texts on standard error.\n";

struct ConvertOptions {
  std::string markup_file;
  std::string folder;
  bool first_row_data = false;
  bool utf8 = false;
  bool progress = false;
};

std::optional<ConvertOptions> Parse(const std::vector<std::string>& args, std::string* problem) {
  ConvertOptions options;
  for (size_t a = 0; a < args.size(); ++a) {
    const std::string& arg = args[a];
    if (arg == "--folder" && a + 1 < args.size()) {
      options.folder = args[++a];
    } else if (arg == "--first-row-data") {
      options.first_row_data = true;
    } else if (arg == "--utf8") {
      options.utf8 = true;
    } else if (arg == "--progress") {
      options.progress = true;
    } else if (arg.rfind("-", 0) == 0 || !options.markup_file.empty()) {
      *problem = "unexpected argument \"" + arg + "\".";
      return std::nullopt;
    } else {
      options.markup_file = arg;
    }
  }
  if (options.markup_file.empty()) {
    *problem = "no markup file given.";
    return std::nullopt;
  }
  return options;
}

Status ReadMarkup(const ConvertOptions& options, std::u16string* strTable) {
  std::string bytes;
  QM_RETURN_IF_ERROR(files::ReadWholeFile(options.markup_file, kMaxPageBytes, &bytes));
  if (!options.utf8) {
    *strTable = codepage::DecodeCp936(bytes);
    return Status();
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);  // a byte order mark
  *strTable = unicode::FromUtf8(bytes);
  return Status();
}

}  // namespace

int Convert(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<ConvertOptions> options = Parse(args, &problem);
  if (!options) return Misused(problem, kUsage);

  FormState form;
  form.strTableFirstLine = options->first_row_data;
  const std::u16string folder = FolderArgument(options->folder);
  NoBrowser WebBrowser1;
  StderrProgress Label1(options->progress);
  Status status = ReadMarkup(*options, &form.strTable);
  if (status.ok()) status = OpenDataMdb(form, folder);
  if (status.ok()) {
    status = ReplaceDtTable(form, [&] { return Command3_Click(form, folder, WebBrowser1, Label1); });
  }
  Label1.Done();
  return Reported(status, form, folder);
}

}  // namespace quillmere::cli
