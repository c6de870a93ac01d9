#include "output/dt_table.h"

#include <set>

#include "convert/ustring.h"
#include "database/adodb.h"
#include "output/dt_origin.h"
#include "platform/encoding/unicode.h"
#include "platform/messages.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere {

std::string FieldColumns(int columns, bool server) {
  const std::string limit = std::to_string(kMaxValueLength);
  std::string sql;
  for (int k = 0; k < columns; ++k) {
    const std::string field = "field" + std::to_string(k);
    if (k > 0) sql += ", ";
    sql += server ? field + " varchar(" + limit + ")"
                  : field + " text(" + limit + ") check (length(" + field + ") <= " + limit + ")";
  }
  return sql;
}

std::string DtTableSchema(int columns) {
  return "create table dt_table (" + FieldColumns(columns, false) + ")";
}

std::string ServerDtTableSchema(int columns) {
  return "create table dt_table (" + FieldColumns(columns, true) + ")";
}

Status TableFields(adodb::Connection& cn, std::u16string_view table, int64_t* fields) {
  std::unique_ptr<adodb::Recordset> columns;
  QM_RETURN_IF_ERROR(cn.Execute(u"select * from " + std::u16string(table) + u" where 1=0",
                                adodb::kOptionUnspecified, &columns));
  std::set<std::u16string> names;
  for (size_t f = 0; f < columns->FieldCount(); ++f) names.insert(columns->FieldName(f));
  *fields = 0;
  while (names.count(u"field" + text::FromNumber(*fields)) != 0) ++*fields;
  return Status();
}

namespace {

Status CheckColumns(int columns) {
  if (columns >= 1 && columns <= kMaxColumns) return Status();
  return Status(ErrorNumber::kTooManyColumns,
                Fill(Tr("dt_table takes 1 to %1$s columns (SQLite's limit), not %2$s."),
                     kMaxColumns, columns));
}

// A path as a shell reads it back: as it is when it holds only characters
// that mean nothing to the shell, otherwise in apostrophes.
std::string ShellWord(const std::string& path) {
  constexpr std::string_view kPlain =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+,:@%";
  if (!path.empty() && path.find_first_not_of(kPlain) == std::string::npos) return path;
  std::string word = "'";
  for (char c : path) word += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return word + "'";
}

}  // namespace

std::string DataMdbPath(std::u16string_view folder) {
  return files::NativePath(files::DatabaseFileName(folder));
}

std::string NewDatabaseAdvice(std::u16string_view folder, bool exists, int64_t columns) {
  const std::string where = files::NativePath(folder);
  if (messages::CurrentReader() == messages::Reader::kWindow) {
    if (columns > 0) {
      return Fill(Tr("Replace it with a data.mdb whose dt_table has at least %1$s columns, field0 "
                     "to field%2$s (README.md tells how to make one)."),
                  columns, columns - 1);
    }
    if (exists) {
      return Tr(
          "Replace it with a data.mdb made for this program (README.md tells how to make "
          "one).");
    }
    return Fill(Tr("Put a data.mdb made for this program into %s (README.md tells how to make "
                   "one)."),
                where);
  }
  std::string command = "quillmere newdb " + ShellWord(where);
  if (columns > 0) command += " --columns " + std::to_string(columns);
  return Fill(exists ? Tr("Move data.mdb away, then make a new one: %s") : Tr("Make one: %s"),
              command);
}

std::string ImportAccessAdvice(std::u16string_view folder) {
  if (messages::CurrentReader() == messages::Reader::kWindow) {
    return Tr(
        "Move it away: quillmere import-access brings its rows into a new data.mdb "
        "(README.md tells how).");
  }
  const std::string where = files::NativePath(folder);
  return Fill(Tr("Move it away and bring its rows into a new data.mdb: mv %1$s %2$s && quillmere "
                 "import-access %2$s %3$s"),
              ShellWord(where + "/data.mdb"), ShellWord(where + "/old.mdb"), ShellWord(where));
}

std::string DtTableMissingAdvice() {
  if (messages::CurrentReader() == messages::Reader::kWindow) {
    return Tr("Have dt_table made on the server (README.md tells how).");
  }
  return Tr("Make it: quillmere newdb --connection with the same connection string.");
}

Status DtTableTooNarrow(std::u16string_view folder, int64_t columns, int64_t fields) {
  const std::string db = DataMdbPath(folder);
  if (columns > kMaxColumns) {
    return Status(ErrorNumber::kTooManyColumns,
                  Fill(Tr("The table has %1$s columns, more than the %2$s a dt_table can have "
                          "(the most SQLite allows in a table), so no database can take it."),
                       columns, kMaxColumns));
  }
  return Status(ErrorNumber::kDtTableTooNarrow,
                Sentences(Fill(Tr("The table has %1$s columns, but dt_table in \"%2$s\" has %3$s."),
                               columns, db, fields),
                          NewDatabaseAdvice(folder, true, columns)));
}

Status CreateDataMdb(std::u16string_view folder, int columns) {
  QM_RETURN_IF_ERROR(CheckColumns(columns));
  return adodb::CreateDatabase(DataMdbPath(folder),
                               DtTableSchema(columns) + ";\n" + DtOriginSchema(columns));
}

Status CreateDtTableAt(std::u16string_view connection_string, int columns,
                       std::string* data_source) {
  QM_RETURN_IF_ERROR(CheckColumns(columns));
  adodb::Connection cn;
  QM_RETURN_IF_ERROR(cn.Open(connection_string, u"", u"", adodb::kOptionUnspecified));
  *data_source = cn.data_source();
  std::unique_ptr<adodb::Recordset> fields;
  if (cn.Execute(u"select * from dt_table where 1=0", adodb::kOptionUnspecified, &fields).ok()) {
    return Status(ErrorNumber::kTableExists,
                  Fill(Tr("dt_table already exists in the data source \"%1$s\" (with %2$s "
                          "columns); it is left as it is."),
                       cn.data_source(), fields->FieldCount()));
  }
  // Should another program create it at the same moment, this fails.
  const std::string schema =
      cn.DbmsName() == "SQLite" ? DtTableSchema(columns) : ServerDtTableSchema(columns);
  QM_RETURN_IF_ERROR(cn.Execute(unicode::FromUtf8(schema), adodb::kOptionUnspecified));
  int64_t origin_fields = 0;
  const bool origin_exists = TableFields(cn, u"dt_origin", &origin_fields).ok();
  return origin_exists ? Status() : CreateDtOrigin(cn, columns);
}

}  // namespace quillmere
