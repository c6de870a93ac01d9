#include "output/insert_statements.h"

#include "convert/ustring.h"
#include "output/dt_table.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

constexpr std::u16string_view kCellTextPrefix = u"<td>";
constexpr std::u16string_view kLogLineStart = u"\r\n<br>";

}  // namespace

void AppendEscaped(std::u16string_view text, std::u16string& out) {
  for (char16_t c : text) {
    if (c == u'&') {
      out.append(u"&amp;");
    } else if (c == u'<') {
      out.append(u"&lt;");
    } else if (c == u'>') {
      out.append(u"&gt;");
    } else {
      out.push_back(c);
    }
  }
}

void AssignStoredValue(std::u16string_view strCellText, CellTexts texts, std::u16string* value) {
  if (texts == CellTexts::kKept) {
    if (strCellText.substr(0, kCellTextPrefix.size()) == kCellTextPrefix) {
      strCellText.remove_prefix(kCellTextPrefix.size());
    }
    value->assign(strCellText.substr(0, kMaxValueLength));
    return;
  }
  // Cut first; every "<td>" goes from the cut text, as from the value list.
  value->assign(strCellText.substr(0, kMaxValueLength));
  text::ReplaceAllInPlace(*value, kCellTextPrefix, u"");
}

Status InsertStatements::BeginRows() {
  cells_ = 0;
  log_.clear();
  return Status();
}

// Cells come as k = 0, 1, ... (see TableSink), so cell k names fieldk.
Status InsertStatements::Cell(int64_t k, std::u16string_view strCellText) {
  while (field_names_.size() <= static_cast<size_t>(k)) {
    field_names_.push_back(u"field" + text::FromNumber(static_cast<int64_t>(field_names_.size())));
  }
  if (values_.size() <= cells_) values_.resize(cells_ + 1);
  AssignStoredValue(strCellText, kept_ ? CellTexts::kKept : CellTexts::kConverted,
                    &values_[cells_++]);
  return Status();
}

Status InsertStatements::EndRow(int64_t i) {
  const size_t cells = cells_;
  cells_ = 0;
  if (!RowIsTaken(i, strTableFirstLine_)) return Status();
  // A row without cells would make "insert into dt_table () values()".
  if (cells == 0) {
    return Status(ErrorNumber::kNoColumns,
                  Fill(Tr("Row %s has no cell, so it cannot be inserted."), i));
  }
  // The field list is the same for every row of as many cells.
  if (shape_cells_ != cells || shape_.empty()) {
    shape_.assign(u"insert into dt_table (");
    for (size_t k = 0; k < cells; ++k) {
      if (k > 0) shape_.push_back(u',');
      shape_.append(field_names_[k]);
    }
    shape_.append(u") values(");
    for (size_t k = 0; k < cells; ++k) shape_.append(k > 0 ? u",?" : u"?");
    shape_.push_back(u')');
    shape_cells_ = cells;
  }
  const size_t fields_end = shape_.find(u") values(");
  strSql_.assign(kLogLineStart).append(shape_, 0, fields_end).append(u") values(");
  std::vector<std::u16string_view>& values = value_views_;
  values.clear();
  for (size_t k = 0; k < cells; ++k) {
    strSql_.append(k > 0 ? u",'" : u"'");
    for (char16_t c : values_[k]) {
      strSql_.push_back(c);
      if (c == u'\'') strSql_.push_back(u'\'');
    }
    strSql_.push_back(u'\'');
    values.push_back(values_[k]);
  }
  strSql_.push_back(u')');
  const std::u16string_view statement = std::u16string_view(strSql_).substr(kLogLineStart.size());
  if (kept_) {
    std::u16string shown(kLogLineStart);
    AppendEscaped(statement, shown);
    log_.Append(shown);
  } else {
    log_.Append(strSql_);
  }
  return cn_.ExecuteWithValues(shape_, values, statement);
}

}  // namespace quillmere
