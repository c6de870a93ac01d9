// quillmere newdb [FOLDER] [--columns N]: a new data.mdb holding an empty
// dt_table, for the conversion to fill.
#include <charconv>
#include <iostream>
#include <optional>

#include "app/cli.h"
#include "output/dt_table.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    "usage: quillmere newdb [FOLDER] [--columns N]\n"
    "  Creates FOLDER/data.mdb (FOLDER: the current folder by default) holding dt_table\n"
    "  with the text columns field0 to field(N-1), at most 200 characters each\n"
    "  (N: 64 by default). An existing data.mdb is never overwritten.\n";

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
      return Misused("--columns takes a number from 1 to " + std::to_string(kMaxColumns) + ".",
                     kUsage);
    }
    columns = *n;
  }
  const std::u16string dir = FolderArgument(options->operand.value_or(""));
  Status status = CreateDataMdb(dir, columns);
  if (!status.ok()) return Failed(status);
  std::cout << "created " << DataMdbPath(dir) << ": dt_table with field0 to field" << columns - 1
            << ", at most " << kMaxValueLength << " characters each\n";
  return 0;
}

}  // namespace quillmere::cli
