// One insert statement into dt_table per table row, executed as the row
// finishes, and the log of every statement built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "convert/table_sink.h"
#include "database/adodb.h"
#include "output/text_log.h"

namespace quillmere {

// Row i (counted from 1) goes to the database and the preview page unless it
// is the first row and that row is a header.
inline bool RowIsTaken(int64_t i, bool strTableFirstLine) { return strTableFirstLine || i != 1; }

// The value a cell's text `strCellText` is stored as (see InsertStatements),
// into `value`, whose buffer is reused.
void AssignStoredValue(std::u16string_view strCellText, CellTexts texts, std::u16string* value);

// Appends `text` as a page shows it: "&", "<" and ">" as references.
void AppendEscaped(std::u16string_view text, std::u16string& out);

// Cell k adds "fieldk," to the field list and the cell's value (its first
// 200 characters, "<td>" prefix included, then quotes doubled) as a quoted
// literal to the value list. A taken row then becomes
// "insert into dt_table (FIELDS) values(VALUES)", every "<td>" cut from the
// values, which is logged and executed on cn at once. The values are bound
// to the statement's prepared form rather than read back from its text.
//
// With kept cell texts (CellTexts::kKept) a value is the text after the
// "<td>" prefix, cut to 200 characters, and nothing else is cut from it; the
// log shows the statements with "&", "<" and ">" written as references, so
// that the preview page shows the values as they are.
class InsertStatements : public TableSink {
 public:
  InsertStatements(adodb::Connection& cn, bool strTableFirstLine,
                   CellTexts texts = CellTexts::kConverted)
      : cn_(cn), strTableFirstLine_(strTableFirstLine), kept_(texts == CellTexts::kKept) {}

  Status BeginRows() override;
  Status Cell(int64_t k, std::u16string_view strCellText) override;
  Status EndRow(int64_t i) override;
  Status Finish() override { return Status(); }

  // CR LF, "<br>" and the statement, for every statement built, as the
  // preview page holds it (a character code page 936 lacks as "?").
  std::u16string strSqlLog() const { return log_.Joined(); }
  const TextLog& log() const { return log_; }
  // The values bound to the last statement executed, valid until the next
  // cell.
  const std::vector<std::u16string_view>& RowValues() const { return value_views_; }

 private:
  adodb::Connection& cn_;
  const bool strTableFirstLine_;
  const bool kept_;
  std::vector<std::u16string> field_names_;  // "field0", "field1", ...
  std::vector<std::u16string> values_;       // the current row's values
  std::vector<std::u16string_view> value_views_;
  size_t cells_ = 0;      // cells of the current row
  std::u16string shape_;  // the statement with "?" for its values
  size_t shape_cells_ = 0;
  std::u16string strSql_;  // CR LF, "<br>", then the current row's statement
  TextLog log_;
};

}  // namespace quillmere
