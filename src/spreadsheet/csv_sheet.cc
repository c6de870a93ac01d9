#include "spreadsheet/csv_sheet.h"

namespace quillmere::spreadsheet {

namespace {

// Written on in pieces of about this size.
constexpr size_t kPieceBytes = size_t{1} << 20;

}  // namespace

Status CsvSheet::Headings(const std::vector<std::string>& names) {
  buffer_.assign("\xEF\xBB\xBF");
  for (size_t k = 0; k < names.size(); ++k) {
    if (k > 0) buffer_.push_back(',');
    Append(names[k]);
  }
  return EndRecord();
}

Status CsvSheet::Row(RowCells values) {
  for (size_t k = 0; k < values.size(); ++k) {
    if (k > 0) buffer_.push_back(',');
    if (values[k]) Append(*values[k]);
  }
  return EndRecord();
}

Status CsvSheet::Finish() {
  if (buffer_.empty()) return Status();
  Status written = write_(buffer_);
  buffer_.clear();
  return written;
}

void CsvSheet::Append(std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    buffer_.append(value);
    return;
  }
  buffer_.push_back('"');
  for (size_t from = 0;;) {
    const size_t quote = value.find('"', from);
    buffer_.append(value.substr(from, quote - from));
    if (quote == std::string_view::npos) break;
    buffer_.append("\"\"");
    from = quote + 1;
  }
  buffer_.push_back('"');
}

Status CsvSheet::EndRecord() {
  buffer_.append("\r\n");
  return buffer_.size() < kPieceBytes ? Status() : Finish();
}

}  // namespace quillmere::spreadsheet
