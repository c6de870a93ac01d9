// quillmere newdb [FOLDER] [--columns N]: a new data.mdb holding an empty
// dt_table, for the conversion to fill; quillmere newdb --connection STRING
// [--columns N]: an empty dt_table on that database (a server's, say).
#include <charconv>
#include <iostream>
#include <optional>

#include "app/cli.h"
#include "output/dt_table.h"
#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere newdb [FOLDER] [--columns N]\n"
       "       quillmere newdb --connection STRING [--columns N]\n"
       "  Creates FOLDER/data.mdb (FOLDER: the current folder by default) holding dt_table\n"
       "  with the text columns field0 to field(N-1), at most 200 characters each\n"
       "  (N: 64 by default, at most 2000, SQLite's limit). An existing data.mdb is\n"
       "  never overwritten. With --connection, creates dt_table with those columns in\n"
       "  the database the connection string opens (\"Provider=MSDASQL;DSN=...\", an ODBC\n"
       "  data source such as a PostgreSQL server); an existing dt_table is never\n"
       "  dropped or changed.\n");

std::optional<int> Count(const std::string& text) {
  int n = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return n;
}

// dt_table made in the database the connection string opens.
int OnServer(const std::string& connection, int columns) {
  std::string data_source;
  Status status = CreateDtTableAt(unicode::FromUtf8(connection), columns, &data_source);
  if (!status.ok()) return Failed(status);
  std::cout << Fill(Tr("created dt_table in the data source \"%1$s\": field0 to field%2$s, at "
                       "most %3$s characters each"),
                    data_source, columns - 1, kMaxValueLength)
            << "\n";
  return 0;
}

}  // namespace

int Newdb(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments(args, {}, {"--columns", "--connection"}, &problem);
  if (!options) return Misused(problem, kUsage);
  const std::string connection = options->Value("--connection");
  if (!connection.empty() && options->operand) {
    return Misused(Tr("give a FOLDER or --connection, not both."), kUsage);
  }
  int columns = kDefaultColumns;
  if (options->values.count("--columns") != 0) {
    std::optional<int> n = Count(options->Value("--columns"));
    if (!n || *n < 1 || *n > kMaxColumns) {
      return Misused(Fill(Tr("--columns takes a number from 1 to %s (the most columns SQLite "
                             "allows in a table)."),
                          kMaxColumns),
                     kUsage);
    }
    columns = *n;
  }
  if (!connection.empty()) return OnServer(connection, columns);
  const bool given = !options->operand.value_or("").empty();
  const std::u16string dir = FolderArgument(options->operand.value_or(""));
  if (Status exists = ExistingFolder(dir); !exists.ok()) return Failed(exists);
  Status status = CreateDataMdb(dir, columns);
  const std::string where = files::NativePath(dir);
  if (!status.ok()) {
    return Failed(status, {dir, given ? Fill(Tr("quillmere newdb worked in the folder %s."), where)
                                      : Fill(Tr("quillmere newdb worked in the current folder %s; "
                                                "give another: quillmere newdb FOLDER"),
                                             where)});
  }
  std::cout << Printed(Fill(Tr("created %1$s: dt_table with field0 to field%2$s, at most %3$s "
                               "characters each"),
                            DataMdbPath(dir), columns - 1, kMaxValueLength))
            << "\n";
  return 0;
}

}  // namespace quillmere::cli
