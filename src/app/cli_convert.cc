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
#include "platform/file_system.h"
#include "platform/filename.h"
#include "platform/limits.h"
#include "platform/translation.h"
#include "platform/unicode.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] = N_(
    "usage: quillmere convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8] [--progress]\n"
    "  Converts the table markup in MARKUP_FILE (code page 936, or UTF-8 with --utf8;\n"
    "  tabletest.html repeats a run) into dt_table of DIR/data.mdb (DIR: the current\n"
    "  folder by default) and writes DIR/cc.html. The table's first row is a header\n"
    "  and is skipped unless --first-row-data is given. --progress shows the status\n"
    "  texts on standard error.\n");

Status ReadMarkup(const std::string& markup_file, bool utf8, files::FileSystem& file_system,
                  std::u16string* strTable) {
  std::string bytes;
  QM_RETURN_IF_ERROR(file_system.ReadWholeFile(markup_file, kMaxPageBytes, &bytes));
  if (!utf8) {
    *strTable = codepage::DecodeCp936(bytes);
    return Status();
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);  // a byte order mark
  *strTable = unicode::FromUtf8(bytes);
  return Status();
}

FolderUsed ConvertFolderUsed(const std::u16string& folder, bool given) {
  const std::string where = files::NativePath(folder);
  if (given) return {folder, Fill(Tr("quillmere convert worked in the folder %s."), where)};
  return {folder, Fill(Tr("quillmere convert worked in the current folder %s; give another: "
                          "--folder DIR"),
                       where)};
}

}  // namespace

int Convert(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments(args, {"--first-row-data", "--utf8", "--progress"}, {"--folder"}, &problem);
  if (options && options->operand.value_or("").empty()) problem = Tr("no markup file given.");
  if (!problem.empty()) return Misused(problem, kUsage);

  FormState form;
  form.strTableFirstLine = options->Has("--first-row-data");
  const std::u16string folder = FolderArgument(options->Value("--folder"));
  NoBrowser WebBrowser1;
  StderrProgress Label1(options->Has("--progress"));
  files::FileSystem& disk = files::Disk();
  Status status = ReadMarkup(*options->operand, options->Has("--utf8"), disk, &form.strTable);
  if (status.ok()) status = OpenDataMdb(form, folder);
  if (status.ok()) {
    status = ReplaceDtTable(
        form, [&] { return Command3_Click(form, folder, WebBrowser1, Label1, disk); });
  }
  Label1.Done();
  return Reported(status, form, ConvertFolderUsed(folder, !options->Value("--folder").empty()));
}

}  // namespace quillmere::cli
