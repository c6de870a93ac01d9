// quillmere run [DIR | DOCUMENT] [--table N] [--first-row-data] [--keep-text]
// [--progress] [--connection STRING]: what a click on the start button does,
// without a window: DIR/test.doc (or DOCUMENT, in its folder) to dt_table of
// DIR/data.mdb (or of the data source DIR/data.dsn or STRING names), with
// test.html, tabletest.html and cc.html.
#include <filesystem>
#include <iostream>

#include "app/cli.h"
#include "app/cli_window.h"
#include "capture/document_list.h"
#include "output/dt_table.h"
#include "platform/file_system.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere run [DIR | DOCUMENT] [--table N] [--first-row-data] [--keep-text]\n"
       "                     [--progress] [--connection STRING]\n"
       "  Does what the start button does, in DIR (by default the program's folder, or\n"
       "  ~/Quillmere when the program is installed or may not write there):\n"
       "  DIR/test.doc is saved as DIR/test.html, its table N (1 by default) goes to\n"
       "  DIR/tabletest.html and into dt_table of DIR/data.mdb, and DIR/cc.html shows\n"
       "  it. Given a DOCUMENT, that document is taken in place of test.doc, in its\n"
       "  own folder; it is only read, never renamed or copied.\n"
       "  The table's first row is a header and is skipped unless --first-row-data\n"
       "  is given. --keep-text stores each cell's text as a person reads it (case\n"
       "  kept, character references decoded, white space folded) rather than\n"
       "  lowercased without blanks. --progress shows the status texts on standard\n"
       "  error. When DIR holds data.dsn (an ODBC file data source), dt_table is the\n"
       "  one of that data source; --connection names another\n"
       "  (\"Provider=MSDASQL;DSN=...\").\n");

// The folder the run worked in. Without a folder named, a run that finds no
// test.doc in the program's folder says how to name one.
FolderUsed Used(const std::u16string& folder, bool given, files::FileSystem& file_system,
                Status& status) {
  const std::string where = files::NativePath(folder);
  if (given) return {folder, Fill(Tr("quillmere run worked in the folder %s."), where)};
  if (status.number() == ErrorNumber::kFileNotFound &&
      !file_system.Exists(files::NativePath(files::DocumentFileName(folder)))) {
    status = Status(status.number(), Fill(Tr("no test.doc in the program's folder %s; give the "
                                             "folder: quillmere run FOLDER"),
                                          where));
    return {folder, ""};
  }
  return {folder, Fill(Tr("quillmere run worked in the program's folder %s; give another: "
                          "quillmere run FOLDER"),
                       where)};
}

// Whether the operand names a document rather than a folder: a file that
// is there, or a document's name where nothing is.
bool NamesADocument(const std::string& operand, files::FileSystem& file_system) {
  if (operand.empty()) return false;
  if (file_system.Exists(operand)) return !file_system.IsFolder(operand);
  return IsDocumentName(operand);
}

// A run on one document as a run on test.doc in the document's folder: the
// folder's data.mdb, test.html, tabletest.html and cc.html; the document is
// only read, as test.doc is.
int RunOnDocument(const Arguments& options, int32_t table, const std::string& document) {
  const std::string parent = std::filesystem::path(document).parent_path().string();
  const std::u16string folder = FolderArgument(parent);
  CommandLineWindow window(options, table, folder);
  window.context().document = files::ProgramPath(document);
  Status status = Command1_Click(window.context());
  window.Done();
  const FolderUsed used{folder, Fill(Tr("quillmere run worked on %1$s, in its folder %2$s."),
                                     DocumentName(document), files::NativePath(folder))};
  return Reported(status, window.form(), used);
}

}  // namespace

int Run(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments(args, {"--first-row-data", "--keep-text", "--progress"},
                     {"--table", "--connection"}, &problem);
  std::optional<int32_t> table = options ? TableNumber(*options, &problem) : std::nullopt;
  if (!table) return Misused(problem, kUsage);

  const std::string operand = options->operand.value_or("");
  if (NamesADocument(operand, files::Disk())) return RunOnDocument(*options, *table, operand);
  const bool given = !operand.empty();
  std::u16string folder;
  if (Status made = CommandFolder(operand, &folder); !made.ok()) return Failed(made);
  CommandLineWindow window(*options, *table, folder);
  Status status = Command1_Click(window.context());
  window.Done();
  return Reported(status, window.form(), Used(folder, given, window.disk(), status));
}

}  // namespace quillmere::cli
