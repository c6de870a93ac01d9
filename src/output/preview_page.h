// The preview page cc.html: the converted table as the rows that were taken,
// followed by the statements that were executed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/table_sink.h"

namespace quillmere {

// Every cell text of a row is followed by "</td>", and the row by one more
// (for the empty piece after the rebuilt row's last "</td>", whose cell text
// is empty): "<td>a</td><td>b</td></td>". A taken row joins the rows as CR LF,
// "<tr>" and its cells.
class PreviewPage : public TableSink {
 public:
  explicit PreviewPage(bool strTableFirstLine) : strTableFirstLine_(strTableFirstLine) {}

  Status BeginRows() override;
  Status Cell(int64_t k, std::u16string_view strCellText) override;
  Status EndRow(int64_t i) override;
  Status Finish() override { return Status(); }

  const std::u16string& strRows() const { return strRows_; }

  // The page: "<table border=1> ", the rows with every "<td></td>" shown as
  // "<td>&nbsp;</td>", "</tr></table>", the statement log, and a CR LF that
  // ends the file's last line.
  std::u16string Content(std::u16string_view strSqlLog) const;

 private:
  const bool strTableFirstLine_;
  std::u16string strPreviewRow_;
  std::u16string strRows_;
};

}  // namespace quillmere
