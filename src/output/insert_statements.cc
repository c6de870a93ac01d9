#include "output/insert_statements.h"

#include "convert/ustring.h"
#include "output/dt_table.h"
#include "platform/translation.h"

namespace quillmere {

Status InsertStatements::BeginRows() {
  strFieldList_.clear();
  strValueList_.clear();
  strSqlLog_.clear();
  return Status();
}

Status InsertStatements::Cell(int64_t k, std::u16string_view strCellText) {
  strFieldList_.append(u"field").append(text::FromNumber(k)).push_back(u',');
  // Cut first, double quotes after: a cut never splits a doubled quote.
  std::u16string_view v = strCellText.substr(0, kMaxValueLength);
  strValueList_.push_back(u'\'');
  for (char16_t c : v) {
    strValueList_.push_back(c);
    if (c == u'\'') strValueList_.push_back(u'\'');
  }
  strValueList_.append(u"',");
  return Status();
}

Status InsertStatements::EndRow(int64_t i) {
  strSql_.clear();
  if (RowIsTaken(i, strTableFirstLine_)) {
    // A row without cells would make "insert into dt_table () values()".
    if (strFieldList_.empty()) {
      return Status(ErrorNumber::kNoColumns,
                    Fill(Tr("Row %s has no cell, so it cannot be inserted."), i));
    }
    strFieldList_.pop_back();
    strValueList_.pop_back();
    text::ReplaceAllInPlace(strValueList_, u"<td>", u"");
    strSql_.append(u"insert into dt_table (").append(strFieldList_);
    strSql_.append(u") values(").append(strValueList_).push_back(u')');
    strSqlLog_.append(u"\r\n<br>").append(strSql_);
  }
  if (!strSql_.empty()) QM_RETURN_IF_ERROR(cn_.Execute(strSql_, adodb::kOptionUnspecified));
  strFieldList_.clear();
  strValueList_.clear();
  return Status();
}

}  // namespace quillmere
