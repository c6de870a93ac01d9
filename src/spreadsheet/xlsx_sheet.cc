#include "spreadsheet/xlsx_sheet.h"

#include <xlsxwriter.h>

#include <algorithm>

#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere::spreadsheet {

namespace {

// The widest a column can be made, and the most characters a cell holds.
constexpr double kMaxColumnWidth = 255;
constexpr int kMaxCellCharacters = 32767;

Status Refused(lxw_error error) {
  return Status(ErrorNumber::kSheetWrite,
                Fill(Tr("The spreadsheet library (libxlsxwriter) cannot write the workbook: %s."),
                     lxw_strerror(error)));
}

// Whether `text` is well-formed UTF-8, as the workbook's XML must be.
bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    const size_t length = b >= 0xC2 && b < 0xE0   ? 2
                          : b >= 0xE0 && b < 0xF0 ? 3
                          : b >= 0xF0 && b < 0xF5 ? 4
                                                  : 0;
    if (length == 0 || i + length > text.size()) return false;
    char32_t c = b & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

}  // namespace

Status XlsxSheet::Create(const std::string& path, const std::string& working_folder,
                         const std::string& sheet_name, std::unique_ptr<XlsxSheet>* sheet) {
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.tmpdir = const_cast<char*>(working_folder.c_str());  // only read
  std::unique_ptr<XlsxSheet> made(new XlsxSheet());
  made->workbook_ = workbook_new_opt(path.c_str(), &options);
  if (made->workbook_ != nullptr) {
    made->worksheet_ = workbook_add_worksheet(made->workbook_, sheet_name.c_str());
  }
  if (made->worksheet_ == nullptr) return Refused(LXW_ERROR_CREATING_TMPFILE);
  made->bold_ = workbook_add_format(made->workbook_);
  format_set_bold(made->bold_);
  *sheet = std::move(made);
  return Status();
}

XlsxSheet::~XlsxSheet() {
  if (workbook_ != nullptr) lxw_workbook_free(workbook_);
}

Status XlsxSheet::Headings(const std::vector<std::string>& names) {
  widths_.assign(names.size(), 0);
  meanings_.clear();
  for (size_t k = 0; k < names.size(); ++k) {
    meanings_.push_back(MeaningOfColumn(names[k]));
    const char* name = AsUtf8(names[k]);
    const lxw_error error =
        worksheet_write_string(worksheet_, 0, static_cast<lxw_col_t>(k), name, bold_);
    if (error != LXW_NO_ERROR) return Refused(error);
    Widen(k, DisplayWidth(name));
  }
  worksheet_freeze_panes(worksheet_, 1, 0);
  row_ = 1;
  return Status();
}

Status XlsxSheet::Row(RowCells values) {
  if (row_ >= LXW_ROW_MAX) {
    return Status(ErrorNumber::kSheetTooLarge,
                  Fill(Tr("The table has more rows than the %s a worksheet holds below its "
                          "header. Write it to a .csv file, which has no such limit."),
                       LXW_ROW_MAX - 1));
  }
  for (size_t k = 0; k < values.size(); ++k) {
    if (values[k]) QM_RETURN_IF_ERROR(Write(k, *values[k]));
  }
  ++row_;
  return Status();
}

Status XlsxSheet::Write(size_t column, std::string_view value) {
  const CellValue cell =
      TypeOf(value, column < meanings_.size() ? meanings_[column] : ColumnMeaning::kAny);
  const auto k = static_cast<lxw_col_t>(column);
  lxw_error error = LXW_NO_ERROR;
  if (cell.kind == CellValue::Kind::kNumber) {
    error = worksheet_write_number(worksheet_, row_, k, cell.number, NumberFormat(cell.decimals));
    Widen(column, value.size());
  } else if (cell.kind == CellValue::Kind::kText) {
    const char* text = AsUtf8(value);
    error = worksheet_write_string(worksheet_, row_, k, text, nullptr);
    Widen(column, DisplayWidth(text));
  }
  if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED) {
    return Status(ErrorNumber::kSheetTooLarge,
                  Fill(Tr("The value in row %1$s, column %2$s is longer than the %3$s characters "
                          "a cell of a worksheet holds. Write the table to a .csv file, which "
                          "has no such limit."),
                       row_, column + 1, kMaxCellCharacters));
  }
  return error == LXW_NO_ERROR ? Status() : Refused(error);
}

// The library takes a C string in UTF-8: the value copied to end in a NUL,
// a byte that starts no character replaced by U+FFFD.
const char* XlsxSheet::AsUtf8(std::string_view value) {
  if (IsUtf8(value)) {
    text_.assign(value);
  } else {
    text_ = unicode::ToUtf8(unicode::FromUtf8(value));
  }
  return text_.c_str();
}

// "0", "0.0", "0.00" ...: a number shows the decimals it was written with.
lxw_format* XlsxSheet::NumberFormat(int decimals) {
  const auto index = static_cast<size_t>(decimals);
  if (index >= number_formats_.size()) number_formats_.resize(index + 1, nullptr);
  if (number_formats_[index] == nullptr) {
    std::string pattern = "0";
    if (decimals > 0) pattern += "." + std::string(index, '0');
    number_formats_[index] = workbook_add_format(workbook_);
    format_set_num_format(number_formats_[index], pattern.c_str());
  }
  return number_formats_[index];
}

void XlsxSheet::Widen(size_t column, size_t width) {
  if (column >= widths_.size()) widths_.resize(column + 1, 0);
  widths_[column] = std::max(widths_[column], width);
}

Status XlsxSheet::Finish() {
  for (size_t k = 0; k < widths_.size(); ++k) {
    const double width = std::min(static_cast<double>(widths_[k] + 1), kMaxColumnWidth);
    const auto column = static_cast<lxw_col_t>(k);
    const lxw_error error = worksheet_set_column(worksheet_, column, column, width, nullptr);
    if (error != LXW_NO_ERROR) return Refused(error);
  }
  const lxw_error closed = workbook_close(workbook_);
  workbook_ = nullptr;  // closing frees it, whatever the outcome
  return closed == LXW_NO_ERROR ? Status() : Refused(closed);
}

}  // namespace quillmere::spreadsheet
