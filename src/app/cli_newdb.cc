// quillmere newdb [FOLDER] [--columns N]: a new data.mdb holding an empty
// dt_table, for the conversion to fill.
#include <charconv>
#include <iostream>
#include <optional>

#include "app/cli.h"
#include "output/dt_table.h"
#include "platform/filename.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere newdb [FOLDER] [--columns N]\n"
       "  Creates FOLDER/data.mdb (FOLDER: the current folder by default) holding dt_table\n"
       "  with the text columns field0 to field(N-1), at most 200 characters each\n"
       "  (N: 64 by default, at most 2000, SQLite's limit). An existing data.mdb is\n"
       "  never overwritten.\n");

std::optional<int> Count(const std::string& text) {
  int n = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return n;
}

}  // namespace

int Newdb(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options = ParseArguments(args, {}, {"--columns"}, &problem);
  if (!options) return Misused(problem, kUsage);
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
  const bool given = !options->operand.value_or("").empty();
  const std::u16string dir = FolderArgument(options->operand.value_or(""));
  Status status = CreateDataMdb(dir, columns);
  const std::string where = files::NativePath(dir);
  if (!status.ok()) {
    return Failed(status, {dir, given ? Fill(Tr("quillmere newdb worked in the folder %s."), where)
                                      : Fill(Tr("quillmere newdb worked in the current folder %s; "
                                                "give another: quillmere newdb FOLDER"),
                                             where)});
  }
  std::cout << Fill(Tr("created %1$s: dt_table with field0 to field%2$s, at most %3$s characters "
                       "each"),
                    DataMdbPath(dir), columns - 1, kMaxValueLength)
            << "\n";
  return 0;
}

}  // namespace quillmere::cli
