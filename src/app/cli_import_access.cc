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
  std::string problem;
  std::optional<Arguments> options = ParseArguments(args, {}, {"--table"}, &problem, true);
  if (options && options->operands.empty()) problem = Tr("no Access database given.");
  if (options && options->operands.size() > 2) {
    problem = Fill(Tr("unexpected argument \"%s\"."), options->operands[2]);
  }
  if (!problem.empty()) return Misused(problem, kUsage);
  const std::string& database = options->operands[0];
  const std::string table =
      options->values.count("--table") ? options->Value("--table") : std::string("dt_table");
  const std::u16string folder =
      FolderArgument(options->operands.size() > 1 ? options->operands[1] : "");
  int64_t rows = 0;
  if (Status exists = ExistingFolder(folder); !exists.ok()) return Failed(exists);
  Status status = ImportAccessTable(database, folder, table, &rows);
  if (!status.ok()) {
    return Failed(status, {folder, Fill(Tr("quillmere import-access worked in the folder %s."),
                                        files::NativePath(folder))});
  }
  std::cout << Printed(Fill(TrPlural("created %1$s: dt_table holds the %2$s row of the table "
                                     "\"%3$s\" of %4$s",
                                     "created %1$s: dt_table holds the %2$s rows of the table "
                                     "\"%3$s\" of %4$s",
                                     static_cast<uint64_t>(rows)),
                            DataMdbPath(folder), rows, table, database))
            << "\n";
  return 0;
}

}  // namespace quillmere::cli
