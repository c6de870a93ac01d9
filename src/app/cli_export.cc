// quillmere export FILE.xlsx|FILE.csv [--folder DIR] [--table NAME]
// [--connection STRING] [--force]: a table of DIR/data.mdb (or of the data
// source DIR/data.dsn or STRING names) written to FILE, an Excel workbook or
// a CSV file.
#include <iostream>

#include "app/cli.h"
#include "capture/export_command.h"
#include "output/conversion_run.h"
#include "platform/file_system.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere export FILE.xlsx|FILE.csv [--folder DIR] [--table NAME]\n"
       "                        [--connection STRING] [--force]\n"
       "  Writes a table of DIR/data.mdb (DIR: the folder quillmere run uses by default)\n"
       "  to FILE: an Excel workbook (.xlsx) or a CSV file (.csv, UTF-8 with a\n"
       "  byte-order mark). NAME is dt_table, dt_origin or dt_form; by default dt_form\n"
       "  when quillmere forms stored last, else dt_table. dt_table's columns are\n"
       "  named by the header the last collection skipped while dt_table holds the\n"
       "  rows it stored. In a workbook plain decimal numbers are numbers and every\n"
       "  other value is text, as written; so are mobile numbers, and every value of a\n"
       "  column whose name says it holds codes (ID, phone, postal code). FILE is\n"
       "  never replaced unless --force is given. --connection and DIR/data.dsn work\n"
       "  as for run.\n");

FolderUsed ExportFolderUsed(const std::u16string& folder, bool given) {
  const std::string where = files::NativePath(folder);
  if (given) return {folder, Fill(Tr("quillmere export worked in the folder %s."), where)};
  return {folder, Fill(Tr("quillmere export worked in the program's folder %s; give another: "
                          "--folder DIR"),
                       where)};
}

// What was written, from which table and why that one, and how its columns
// are named.
void Report(const adodb::Connection& cn, const ExportRequest& request, const Exported& exported) {
  const std::string source =
      cn.IsOdbc() ? Fill(Tr("the data source \"%s\""), cn.data_source()) : cn.data_source();
  std::cout << Fill(Tr("%1$s of %2$s: %3$s written to %4$s"), exported.table, source,
                    Fill(TrPlural("%s row", "%s rows", exported.rows), exported.rows), request.file)
            << "\n";
  if (request.table.empty()) {
    std::cout << (exported.default_after.empty()
                      ? Fill(Tr("%s is the default: no collection is noted; --table names "
                                "another."),
                             exported.table)
                  : exported.dt_table_since
                      ? Fill(Tr("%1$s is the default: a run has stored it since quillmere %2$s "
                                "stored dt_form; --table names another."),
                             exported.table, exported.default_after)
                      : Fill(Tr("%1$s is the default: quillmere %2$s stored last; --table names "
                                "another."),
                             exported.table, exported.default_after))
              << "\n";
  }
  switch (exported.names) {
    case Exported::Names::kHeader:
      std::cout << Tr("Its columns are named by the header the last collection skipped.") << "\n";
      if (exported.repeated_headings > 0) {
        std::cout << Fill(Tr("%s rows repeating that header's lower rows were left out."),
                          exported.repeated_headings)
                  << "\n";
      }
      break;
    case Exported::Names::kFieldsSince:
      std::cout << Tr("Its columns keep their field names: dt_table has changed since the last "
                      "collection, whose header named them.")
                << "\n";
      break;
    case Exported::Names::kFields:
      std::cout << Tr("Its columns keep their field names: no collection noted a header for them.")
                << "\n";
      break;
    case Exported::Names::kOwn:
      break;
  }
}

}  // namespace

int Export(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments(args, {"--force"}, {"--folder", "--table", "--connection"}, &problem);
  if (options && options->operand.value_or("").empty()) problem = Tr("no file given.");
  if (!problem.empty()) return Misused(problem, kUsage);

  const bool given = !options->Value("--folder").empty();
  std::u16string folder;
  if (Status made = CommandFolder(options->Value("--folder"), &folder); !made.ok()) {
    return Failed(made);
  }
  const ExportRequest request{*options->operand, options->Value("--table"),
                              options->Has("--force")};
  FormState form;
  SetFormOptions(*options, &form);
  Exported exported;
  Status status = OpenDataMdb(form, folder);
  if (status.ok()) status = ExportTable(*form.cn, request, files::Disk(), &exported);
  if (!status.ok()) return Failed(status, ExportFolderUsed(folder, given));
  Report(*form.cn, request, exported);
  return 0;
}

}  // namespace quillmere::cli
