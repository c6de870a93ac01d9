// A sheet as an Excel workbook (.xlsx), written by libxlsxwriter.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "spreadsheet/cell_value.h"
#include "spreadsheet/sheet.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace quillmere::spreadsheet {

// One worksheet named after its table, in libxlsxwriter's constant-memory
// mode: each row goes to a working file as it comes, so memory does not grow
// with the rows. The header row's names are bold headings and stay in view
// (the row is frozen); every value goes in as TypeOf says for its column's
// name (MeaningOfColumn), a number shown with the decimals it was written with; each column is as
// wide as its widest text (DisplayWidth, one more for room), at most 255.
class XlsxSheet : public Sheet {
 public:
  // A workbook to be written to `path` (the library makes the file itself,
  // in Finish), its working files in `working_folder`.
  static Status Create(const std::string& path, const std::string& working_folder,
                       const std::string& sheet_name, std::unique_ptr<XlsxSheet>* sheet);
  ~XlsxSheet() override;

  Status Headings(const std::vector<std::string>& names) override;
  Status Row(RowCells values) override;
  Status Finish() override;

 private:
  XlsxSheet() = default;
  Status Write(size_t column, std::string_view value);
  const char* AsUtf8(std::string_view value);
  lxw_format* NumberFormat(int decimals);
  void Widen(size_t column, size_t width);

  lxw_workbook* workbook_ = nullptr;
  lxw_worksheet* worksheet_ = nullptr;
  lxw_format* bold_ = nullptr;
  std::vector<lxw_format*> number_formats_;  // by decimals, made when first needed
  std::vector<size_t> widths_;
  std::vector<ColumnMeaning> meanings_;  // by column, from its name
  uint32_t row_ = 0;                     // the next row's index; row 0 is the header
  std::string text_;                     // the value being written, as AsUtf8 gives it
};

}  // namespace quillmere::spreadsheet
