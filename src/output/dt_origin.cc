#include "output/dt_origin.h"

#include <algorithm>

#include "convert/ustring.h"
#include "database/sql_literals.h"
#include "output/stored_tables.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

constexpr std::u16string_view kOwnColumns = u"document,table_number,table_row";

std::string Schema(int64_t fields, bool server) {
  const int count = static_cast<int>(std::clamp<int64_t>(fields, 1, kMaxOriginFields));
  const std::string name = std::to_string(kMaxDocumentNameLength);
  const std::string document =
      server ? "document varchar(" + name + ")"
             : "document text(" + name + ") check (length(document) <= " + name + ")";
  return "create table dt_origin (" + document + ", table_number integer, table_row integer, " +
         FieldColumns(count, server) + ")";
}

// "field0,field1,...": `fields` (at least one) value columns.
std::u16string FieldList(int64_t fields) {
  std::u16string list = u"field0";
  for (int64_t k = 1; k < fields; ++k) list.append(u",field").append(text::FromNumber(k));
  return list;
}

}  // namespace

std::string DtOriginSchema(int64_t fields) { return Schema(fields, false); }

std::string ServerDtOriginSchema(int64_t fields) { return Schema(fields, true); }

Status CreateDtOrigin(adodb::Connection& cn, int64_t fields) {
  const std::string schema =
      cn.DbmsName() == "SQLite" ? DtOriginSchema(fields) : ServerDtOriginSchema(fields);
  return cn.Execute(unicode::FromUtf8(schema), adodb::kOptionUnspecified);
}

Status CheckDtOrigin(adodb::Connection& cn, int64_t columns, bool* exists) {
  int64_t fields = 0;
  *exists = TableFields(cn, u"dt_origin", &fields).ok();
  if (!*exists || fields >= columns) return Status();
  return Status(
      ErrorNumber::kDtTableTooNarrow,
      Fill(Tr("The widest table has %1$s columns, but dt_origin in \"%2$s\" has only %3$s "
              "(field0 to field%4$s). dt_origin holds only where the last collection's rows "
              "came from: drop it (drop table dt_origin) and the next collection makes it "
              "anew, as wide as dt_table."),
           columns, cn.data_source(), fields, fields - 1));
}

Status DtTableHoldsOrigins(adodb::Connection& cn, int64_t origin_fields, bool* holds) {
  RowDigest table, origins;
  QM_RETURN_IF_ERROR(DigestTable(cn, "dt_table", &table));
  if (origin_fields > 0) {
    // The rows' trailing NULLs do not count, so the columns' numbers need
    // not agree.
    QM_RETURN_IF_ERROR(cn.ReadRows(u"select " + FieldList(origin_fields) + u" from dt_origin",
                                   [&](const adodb::RowValues& row) {
                                     origins.Add(row);
                                     return Status();
                                   }));
  }
  *holds = table.rows() == origins.rows() && table.value() == origins.value();
  return Status();
}

Status RefillDtTableFromOrigins(adodb::Connection& cn, int64_t fields) {
  QM_RETURN_IF_ERROR(cn.Execute(u"delete from dt_table", adodb::kOptionUnspecified));
  const std::u16string columns = FieldList(fields);
  const std::u16string order = cn.DbmsName() == "SQLite" ? u" order by rowid" : u"";
  return cn.Execute(
      u"insert into dt_table (" + columns + u") select " + columns + u" from dt_origin" + order,
      adodb::kOptionUnspecified);
}

void OriginRows::Add(int64_t table_row, const std::vector<std::u16string_view>& values) {
  rows_.push_back(table_row);
  for (std::u16string_view value : values) {
    text_.append(value);
    ends_.push_back(text_.size());
  }
  value_ends_.push_back(ends_.size());
}

Status OriginRows::Insert(adodb::Connection& cn, std::u16string_view document,
                          int32_t table_number) {
  const std::u16string number = text::FromNumber(table_number);
  std::u16string shape, statement;
  std::vector<std::u16string_view> values;
  size_t shape_fields = 0, first_value = 0;
  Status status;
  for (size_t r = 0; r < rows_.size() && status.ok(); ++r) {
    const size_t fields = value_ends_[r] - first_value;
    if (shape.empty() || fields != shape_fields) {
      shape.assign(u"insert into dt_origin (").append(kOwnColumns);
      for (size_t k = 0; k < fields; ++k)
        shape.append(u",field").append(text::FromNumber(static_cast<int64_t>(k)));
      shape.append(u") values(?,cast(? as integer),cast(? as integer)");
      for (size_t k = 0; k < fields; ++k) shape.append(u",?");
      shape.push_back(u')');
      shape_fields = fields;
    }
    const std::u16string row = text::FromNumber(rows_[r]);
    values.assign({document, number, row});
    statement.assign(shape, 0, shape.find(u") values(")).append(u") values(");
    sql::AppendQuoted(document, statement);
    statement.append(u",").append(number).append(u",").append(row);
    for (size_t v = first_value; v < value_ends_[r]; ++v) {
      const size_t begin = v == 0 ? 0 : ends_[v - 1];
      const std::u16string_view value = std::u16string_view(text_).substr(begin, ends_[v] - begin);
      values.push_back(value);
      statement.push_back(u',');
      sql::AppendQuoted(value, statement);
    }
    statement.push_back(u')');
    status = cn.ExecuteWithValues(shape, values, statement);
    first_value = value_ends_[r];
  }
  rows_.clear();
  value_ends_.clear();
  ends_.clear();
  text_.clear();
  return status;
}

}  // namespace quillmere
