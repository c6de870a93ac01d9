// quillmere import-access OLD.mdb [FOLDER] [--table NAME]: the old system's
// Access data.mdb brought over: one of its tables into dt_table of a new
// (SQLite) data.mdb.
#include <iostream>

#include "app/cli.h"
#include "output/access_import.h"
#include "output/dt_table.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere import-access OLD.mdb [FOLDER] [--table NAME]\n"
       "  Reads the table NAME (dt_table by default) of the Microsoft Access database\n"
       "  OLD.mdb (Jet 3 or Jet 4, as the old system kept it; read only) and writes\n"
       "  FOLDER/data.mdb (FOLDER: the current folder by default), a new database whose\n"
       "  dt_table holds the table's rows: its columns in order as field0 to field(N-1),\n"
       "  values as text. An existing data.mdb is never overwritten.\n");

}  // namespace

int ImportAccess(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  if (args.empty() || args[0].rfind("-", 0) == 0) {
    return Misused(Tr("no Access database given."), kUsage);
  }
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments({args.begin() + 1, args.end()}, {}, {"--table"}, &problem);
  if (!options) return Misused(problem, kUsage);
  const std::string table =
      options->values.count("--table") ? options->Value("--table") : std::string("dt_table");
  const std::u16string folder = FolderArgument(options->operand.value_or(""));
  int64_t rows = 0;
  Status status = ImportAccessTable(args[0], folder, table, &rows);
  if (!status.ok()) {
    return Failed(status, {folder, Fill(Tr("quillmere import-access worked in the folder %s."),
                                        files::NativePath(folder))});
  }
  std::cout << Printed(Fill(Tr("created %1$s: dt_table holds the %2$s rows of the table \"%3$s\" "
                               "of %4$s"),
                            DataMdbPath(folder), rows, table, args[0]))
            << "\n";
  return 0;
}

}  // namespace quillmere::cli
