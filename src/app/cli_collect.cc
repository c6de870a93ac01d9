// quillmere collect DOCUMENT... [--folder DIR] [--table N] [--first-row-data]
// [--keep-text] [--progress] [--connection STRING] [--skip-failures]
// [--append [--prune]]: table N of every document (a folder: the Word
// documents in it) into one dt_table of DIR/data.mdb (or of the data source
// DIR/data.dsn or STRING names), with the rows' origins in dt_origin and
// DIR/cc.html showing them all; with --append added to what is stored.
#include <iostream>

#include "app/cli.h"
#include "app/cli_window.h"
#include "capture/collect_command.h"
#include "capture/document_list.h"
#include "platform/file_system.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere collect DOCUMENT... [--folder DIR] [--table N] [--first-row-data]\n"
       "                         [--keep-text] [--progress] [--connection STRING]\n"
       "                         [--skip-failures] [--append [--prune]]\n"
       "  Takes table N (1 by default) of every DOCUMENT (a folder: the .doc, .docx,\n"
       "  .rtf and .odt files in it, in name order) into dt_table of DIR/data.mdb (DIR:\n"
       "  the folder quillmere run uses by default), emptied once: the rows of one\n"
       "  document after another, each one's first row a header and skipped unless\n"
       "  --first-row-data is given. dt_origin names the document, table and row that\n"
       "  each stored row came from; DIR/cc.html shows them all. The documents are only\n"
       "  read. A document that cannot be read or lacks table N stops the collection\n"
       "  before anything is stored, and all such documents are named; with\n"
       "  --skip-failures they are left out and listed, and the others stored.\n"
       "  With --append, what the last collection stored is kept, and only the\n"
       "  documents it did not store, or whose content has changed since, are read:\n"
       "  the new ones are added, the changed ones' rows replaced; stored documents\n"
       "  not named stay, unless --prune removes them.\n"
       "  --keep-text, --progress, --connection and DIR/data.dsn work as for run.\n");

FolderUsed CollectFolderUsed(const std::u16string& folder, bool given) {
  const std::string where = files::NativePath(folder);
  if (given) return {folder, Fill(Tr("quillmere collect worked in the folder %s."), where)};
  return {folder, Fill(Tr("quillmere collect worked in the program's folder %s; give another: "
                          "--folder DIR"),
                       where)};
}

}  // namespace

int Collect(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options = ParseArguments(
      args,
      {"--first-row-data", "--keep-text", "--progress", "--skip-failures", "--append", "--prune"},
      {"--folder", "--table", "--connection"}, &problem, true);
  std::optional<int32_t> table = options ? TableNumber(*options, &problem) : std::nullopt;
  if (table && options->operands.empty()) problem = Tr("no document given.");
  if (table && options->Has("--prune") && !options->Has("--append")) {
    problem = Tr("--prune works only with --append.");
  }
  if (!table || !problem.empty()) return Misused(problem, kUsage);

  const bool given = !options->Value("--folder").empty();
  std::u16string folder;
  std::vector<std::string> documents, repeats;
  Status status = CommandFolder(options->Value("--folder"), &folder);
  if (status.ok()) status = ListDocuments(options->operands, files::Disk(), &documents, &repeats);
  if (!status.ok()) return Failed(status);
  for (const std::string& repeat : repeats) std::cerr << Printed(repeat) << "\n";

  CommandLineWindow window(*options, *table, folder);
  Collected collected;
  const CollectOptions collecting{options->Has("--skip-failures"), options->Has("--append"),
                                  options->Has("--prune")};
  status = CollectTables(window.context(), documents, collecting, &collected);
  window.Done();
  if (status.ok()) {
    for (const auto& [name, failure] : collected.left_out) {
      std::cerr << Printed(Fill(Tr("left out %1$s: error %2$s: %3$s"), name, failure.code(),
                                failure.description()))
                << "\n";
    }
  }
  return Reported(status, window.form(), CollectFolderUsed(folder, given), collected.held,
                  collecting.append ? CountsText(collected.appended) : std::string());
}

}  // namespace quillmere::cli
