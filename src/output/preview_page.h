// The preview page cc.html: the converted table as the rows that were taken,
// followed by the statements that were executed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "convert/table_sink.h"
#include "output/text_log.h"
#include "platform/file_system.h"

namespace quillmere {

// Every cell text of a row is followed by "</td>", and the row by one more
// (for the empty piece after the rebuilt row's last "</td>", whose cell text
// is empty): "<td>a</td><td>b</td></td>". A taken row joins the rows as CR LF,
// "<tr>" and its cells.
//
// With kept cell texts (CellTexts::kKept) the text after a cell's "<td>"
// prefix is shown with "&", "<" and ">" written as references, so the page
// keeps its structure whatever the cells say.
class PreviewPage : public TableSink {
 public:
  explicit PreviewPage(bool strTableFirstLine, CellTexts texts = CellTexts::kConverted)
      : strTableFirstLine_(strTableFirstLine), kept_(texts == CellTexts::kKept) {}

  Status BeginRows() override;
  Status Cell(int64_t k, std::u16string_view strCellText) override;
  Status EndRow(int64_t i) override;
  Status Finish() override { return Status(); }

  // The page in code page 936 ("?" for a character it lacks), as the pieces
  // it is written in, in order: "<table border=1> ", the rows with every
  // "<td></td>" shown as "<td>&nbsp;</td>", "</tr></table>", the statement
  // log, and a CR LF that ends the file's last line. The pieces point into
  // this page and the log. What was streamed (see StreamTo) is left out.
  std::vector<std::string_view> PagePieces(const TextLog& strSqlLog) const;

  // Appends a row of one cell spanning `columns` columns that holds `text`
  // (in bold, "&", "<" and ">" as references): a line of the page between
  // the table's rows.
  void AppendSpanningRow(std::u16string_view text, int64_t columns);

  // From BeginRows on, the page's start and its rows go to `write` as they
  // are made, a block of rows at a time, and are not kept: a large table's
  // rows then never stand in memory whole. A failed write fails the row that
  // made the block. `write` must outlive the rows.
  void StreamTo(const files::FileSystem::PieceWriter& write) { stream_ = &write; }

 private:
  const bool strTableFirstLine_;
  const bool kept_;
  std::u16string strPreviewRow_ = u"\r\n<tr>";  // then the current row's cells
  std::u16string shown_row_;                    // the row as the page shows it
  TextLog strRows_;
  const files::FileSystem::PieceWriter* stream_ = nullptr;
  bool start_streamed_ = false;
};

}  // namespace quillmere
