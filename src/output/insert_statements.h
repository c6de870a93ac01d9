// One insert statement into dt_table per table row, executed as the row
// finishes, and the log of every statement built.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "convert/table_sink.h"
#include "platform/adodb.h"

namespace quillmere {

// Row i (counted from 1) goes to the database and the preview page unless it
// is the first row and that row is a header.
inline bool RowIsTaken(int64_t i, bool strTableFirstLine) { return strTableFirstLine || i != 1; }

// Cell k adds "fieldk," to the field list and the cell's value (its first
// 200 characters, "<td>" prefix included, then quotes doubled) as a quoted
// literal to the value list. A taken row then becomes
// "insert into dt_table (FIELDS) values(VALUES)", every "<td>" cut from the
// values, which is logged and executed on cn at once.
class InsertStatements : public TableSink {
 public:
  InsertStatements(adodb::Connection& cn, bool strTableFirstLine)
      : cn_(cn), strTableFirstLine_(strTableFirstLine) {}

  Status BeginRows() override;
  Status Cell(int64_t k, std::u16string_view strCellText) override;
  Status EndRow(int64_t i) override;
  Status Finish() override { return Status(); }

  // CR LF, "<br>" and the statement, for every statement built.
  const std::u16string& strSqlLog() const { return strSqlLog_; }

 private:
  adodb::Connection& cn_;
  const bool strTableFirstLine_;
  std::u16string strFieldList_;
  std::u16string strValueList_;
  std::u16string strSql_;
  std::u16string strSqlLog_;
};

}  // namespace quillmere
