#include "spreadsheet/sheet.h"

#include <algorithm>

namespace quillmere::spreadsheet {

namespace {

bool EndsWithNoCase(std::string_view s, std::string_view lowercase_end) {
  return s.size() >= lowercase_end.size() &&
         std::equal(lowercase_end.begin(), lowercase_end.end(), s.end() - lowercase_end.size(),
                    [](char e, char c) { return e == (c >= 'A' && c <= 'Z' ? c + 32 : c); });
}

}  // namespace

std::optional<SheetFormat> FormatOfFile(std::string_view path) {
  if (EndsWithNoCase(path, ".xlsx")) return SheetFormat::kXlsx;
  if (EndsWithNoCase(path, ".csv")) return SheetFormat::kCsv;
  return std::nullopt;
}

}  // namespace quillmere::spreadsheet
