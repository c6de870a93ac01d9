// A table written as a spreadsheet: one sheet, its header row of column
// names, then its rows in order.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillmere::spreadsheet {

// One row's values, UTF-8 text each, nullopt for NULL.
using RowCells = std::span<const std::optional<std::string_view>>;

class Sheet {
 public:
  virtual ~Sheet() = default;
  // The header row, before the first row.
  virtual Status Headings(const std::vector<std::string>& names) = 0;
  virtual Status Row(RowCells values) = 0;
  // After the last row: the sheet is complete once this succeeds.
  virtual Status Finish() = 0;
};

// The kinds of file a sheet is written as.
enum class SheetFormat { kXlsx, kCsv };

// The kind a file's name asks for by its extension (".xlsx", ".csv", in any
// case); nullopt for any other.
std::optional<SheetFormat> FormatOfFile(std::string_view path);

}  // namespace quillmere::spreadsheet
