#include "output/dt_form.h"

#include "database/sql_literals.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

constexpr std::u16string_view kTable = u"dt_form";

}  // namespace

size_t MaxColumnNameBytes(const adodb::Connection& cn) {
  return cn.DbmsName() == "PostgreSQL" ? 63 : 0;
}

size_t MaxTableColumns(const adodb::Connection& cn) {
  return cn.DbmsName() == "PostgreSQL" ? 1600 : 2000;
}

Status CheckColumns(const adodb::Connection& cn, size_t names) {
  if (names + 1 <= MaxTableColumns(cn)) return Status();
  return Status(ErrorNumber::kTooManyColumns,
                Fill(Tr("The form has %1$s values, but a table of \"%2$s\" holds at most %3$s "
                        "columns besides document. Choose fewer tables of the form (--table)."),
                     names, cn.data_source(), MaxTableColumns(cn) - 1));
}

Status DtFormColumns(adodb::Connection& cn, bool* exists, std::vector<std::u16string>* columns) {
  columns->clear();
  std::unique_ptr<adodb::Recordset> found;
  *exists = cn.Execute(u"select * from dt_form where 1=0", adodb::kOptionUnspecified, &found).ok();
  if (!*exists) return Status();
  for (size_t f = 0; f < found->FieldCount(); ++f) columns->push_back(found->FieldName(f));
  return Status();
}

DtForm::DtForm(adodb::Connection& cn, std::vector<std::u16string> names)
    : cn_(cn), names_(std::move(names)) {
  shape_.assign(u"insert into ")
      .append(kTable)
      .append(u" (")
      .append(sql::QuotedName(kFormDocumentColumn));
  for (const std::u16string& name : names_) shape_.append(u",").append(sql::QuotedName(name));
  shape_.append(u") values(?");
  for (size_t k = 0; k < names_.size(); ++k) shape_.append(u",?");
  shape_.push_back(u')');
}

Status DtForm::Replace(bool exists, const std::vector<std::u16string>& columns) {
  QM_RETURN_IF_ERROR(CheckColumns(cn_, names_.size()));
  std::vector<std::u16string> wanted{std::u16string(kFormDocumentColumn)};
  wanted.insert(wanted.end(), names_.begin(), names_.end());
  if (exists && columns == wanted) {
    QM_RETURN_IF_ERROR(Lock());
    return cn_.Execute(u"delete from dt_form", adodb::kOptionUnspecified);
  }
  if (exists) QM_RETURN_IF_ERROR(cn_.Execute(u"drop table dt_form", adodb::kOptionUnspecified));
  std::u16string create = u"create table dt_form (";
  for (size_t k = 0; k < wanted.size(); ++k) {
    create.append(k == 0 ? u"" : u", ").append(sql::QuotedName(wanted[k])).append(u" text");
  }
  create.push_back(u')');
  return cn_.Execute(create, adodb::kOptionUnspecified);
}

// Another reading into the same dt_form waits for this one to end.
Status DtForm::Lock() { return cn_.LockTable(kTable); }

Status DtForm::Insert(std::u16string_view document, const std::vector<std::u16string>& values) {
  values_.assign({document});
  statement_.assign(shape_, 0, shape_.find(u") values(?")).append(u") values(");
  sql::AppendQuoted(document, statement_);
  for (const std::u16string& value : values) {
    values_.push_back(value);
    statement_.push_back(u',');
    sql::AppendQuoted(value, statement_);
  }
  statement_.push_back(u')');
  return cn_.ExecuteWithValues(shape_, values_, statement_);
}

}  // namespace quillmere
