// A sheet as a CSV file that Excel and WPS on Chinese Windows open right by
// a double click.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "spreadsheet/sheet.h"

namespace quillmere::spreadsheet {

// RFC 4180, in UTF-8 with a byte-order mark (without it Excel reads the
// bytes in the system's code page, and Chinese comes out garbled): CR LF
// after every record, a value holding a comma, a quote, CR or LF written in
// quotes with its quotes doubled. NULL and an empty value are both nothing
// between the commas. Values go byte for byte: the spreadsheet program that
// opens the file decides what each one is (an .xlsx keeps text as text).
class CsvSheet : public Sheet {
 public:
  // Where the file's bytes go, a piece at a time, in order.
  using PieceWriter = std::function<Status(std::string_view piece)>;
  explicit CsvSheet(PieceWriter write) : write_(std::move(write)) {}

  Status Headings(const std::vector<std::string>& names) override;
  Status Row(RowCells values) override;
  Status Finish() override;

 private:
  void Append(std::string_view value);
  Status EndRecord();
  PieceWriter write_;
  std::string buffer_;
};

}  // namespace quillmere::spreadsheet
