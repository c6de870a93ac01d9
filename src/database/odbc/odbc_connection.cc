#include "database/odbc/odbc_connection.h"

// clang-format off
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <type_traits>

#include "database/adodb.h"
#include "database/sql_literals.h"
#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere::adodb {

namespace {

std::string Trimmed(std::string_view s) { return std::string(ascii::TrimBlanks(s)); }

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide text is UTF-16");
static_assert(std::is_same_v<SQLLEN, long>, "OdbcConnection keeps lengths as long");

// How long a connection may take before it counts as refused.
constexpr SQLULEN kLoginTimeoutSeconds = 10;

// PostgreSQL's driver (psqlODBC) by default guards every statement in a
// transaction with a savepoint of its own, so that a failed one could be
// undone alone: twice the round trips for every row. A run undoes all its
// work on any failure, so it asks that driver to roll back the transaction
// instead (the level after the dash), which the server does anyway.
constexpr char kPsqlOdbcRollback[] = "Protocol=7.4-1";

// One "key=value" entry of an ODBC connection string, as written.
struct Entry {
  std::string key;  // lower case, without blanks around it
  std::string text;
};

// The entries of `text`, split at the ';' that end them: a value in braces
// ("{...}", "}}" inside standing for "}") may hold ';'. Empty entries are
// dropped.
std::vector<Entry> Entries(std::string_view text) {
  std::vector<Entry> entries;
  size_t at = 0;
  while (at < text.size()) {
    const size_t start = at;
    const size_t eq = text.find('=', at);
    size_t end = std::min(text.find(';', at), text.size());
    if (eq != std::string_view::npos && eq < end) {
      size_t value = text.find_first_not_of(" \t", eq + 1);
      if (value != std::string_view::npos && text[value] == '{') {
        for (size_t c = value + 1; c < text.size(); ++c) {
          if (text[c] != '}') continue;
          if (c + 1 < text.size() && text[c + 1] == '}') {
            ++c;
            continue;
          }
          end = std::min(text.find(';', c), text.size());
          break;
        }
      }
    }
    const std::string_view entry = text.substr(start, end - start);
    if (!Trimmed(entry).empty()) {
      const size_t key_end = std::min(entry.find('='), entry.size());
      entries.push_back({ascii::Lower(Trimmed(entry.substr(0, key_end))), Trimmed(entry)});
    }
    at = end + 1;
  }
  return entries;
}

bool IsPassword(const Entry& entry) { return entry.key == "pwd" || entry.key == "password"; }

std::string ValueOf(const Entry& entry) {
  std::string value = Trimmed(entry.text.substr(std::min(entry.text.find('='), entry.text.size())));
  if (!value.empty() && value.front() == '=') value = Trimmed(value.substr(1));
  if (value.size() >= 2 && value.front() == '{' && value.back() == '}') {
    value = value.substr(1, value.size() - 2);
    for (size_t c = value.find("}}"); c != std::string::npos; c = value.find("}}", c + 1)) {
      value.erase(c, 1);
    }
  }
  return value;
}

// "KEY={value}", braces doubled inside, so that any value stands as one entry.
std::string Braced(std::string_view key, std::string_view value) {
  std::string text = std::string(key) + "={";
  for (char c : value) text += c == '}' ? std::string("}}") : std::string(1, c);
  return text + "}";
}

std::u16string Wide(std::string_view utf8) { return unicode::FromUtf8(utf8); }
SQLWCHAR* WidePointer(std::u16string& text) { return reinterpret_cast<SQLWCHAR*>(text.data()); }

std::string Narrow(const SQLWCHAR* text, size_t length) {
  return unicode::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

struct Diagnostic {
  std::string state;
  SQLINTEGER native = 0;
  std::string text;
};

std::vector<Diagnostic> Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::vector<Diagnostic> records;
  for (SQLSMALLINT r = 1; handle != nullptr && r <= 8; ++r) {
    SQLWCHAR state[6] = {};
    SQLWCHAR text[1024];
    SQLSMALLINT length = 0;
    Diagnostic record;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, r, state, &record.native, text,
                                      static_cast<SQLSMALLINT>(std::size(text)), &length))) {
      break;
    }
    record.state = Narrow(state, 5);
    // On one line: line breaks and tabs become blanks, a run of blanks one.
    for (char c : Narrow(text, std::clamp<size_t>(length, 0, std::size(text) - 1))) {
      const bool blank = c == '\n' || c == '\r' || c == '\t' || c == ' ';
      if (!blank || (!record.text.empty() && record.text.back() != ' ')) {
        record.text += blank ? ' ' : c;
      }
    }
    record.text = Trimmed(record.text);
    records.push_back(std::move(record));
  }
  return records;
}

// The connection itself is gone: refused, broken, or ended by the server.
bool ConnectionGone(const std::string& state) {
  return state.starts_with("08") || state.starts_with("57P0") || state == "HYT01";
}

ErrorNumber NumberFor(const std::vector<Diagnostic>& records, bool connecting) {
  for (const Diagnostic& d : records) {
    // PostgreSQL's driver reports a refused password as 08001, with the
    // server's words.
    if (d.state.starts_with("28") || d.text.find("authentication failed") != std::string::npos) {
      return ErrorNumber::kLoginRefused;
    }
    if (ConnectionGone(d.state) || (connecting && d.state == "HYT00")) {
      return connecting ? ErrorNumber::kServerUnreachable : ErrorNumber::kConnectionLost;
    }
    if (d.state == "42P01" || d.state == "42S02") return ErrorNumber::kNoSuchTable;
    if (d.state == "IM002" || d.state == "IM003") return ErrorNumber::kDatabaseNotFound;
    if (d.state == "22001") return ErrorNumber::kValueTooLong;
    if (d.state == "55P03" || d.state == "40P01" || d.state == "40001" || d.state == "HYT00") {
      return ErrorNumber::kDatabaseLocked;
    }
  }
  for (const Diagnostic& d : records) {
    // The SQLite driver reports SQLite's own result codes: busy, locked, and
    // a CHECK constraint (dt_table's length limits) failed.
    if (d.native == 5 || d.native == 6) return ErrorNumber::kDatabaseLocked;
    if (d.native == 19 && d.text.find("CHECK constraint") != std::string::npos) {
      return ErrorNumber::kValueTooLong;
    }
  }
  return connecting ? ErrorNumber::kDatabaseIo : ErrorNumber::kStatementFailed;
}

// The diagnostic records as one text, "SQLSTATE: message; ...", with the
// password, should a driver repeat it, blanked out.
std::string Described(const std::vector<Diagnostic>& records, const std::string& password) {
  std::string text;
  for (const Diagnostic& d : records) {
    if (!text.empty()) text += "; ";
    text += d.state + ": " + d.text;
  }
  if (text.empty()) text = Tr("the driver gave no reason");
  for (size_t at = password.size() < 3 ? std::string::npos : text.find(password);
       at != std::string::npos; at = text.find(password, at)) {
    text.replace(at, password.size(), "***");
  }
  return text;
}

std::string Shorten(const std::string& statement) {
  constexpr size_t kMax = 160;
  if (statement.size() <= kMax) return statement;
  size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(statement[cut]) & 0xC0) == 0x80) --cut;
  return statement.substr(0, cut) + "...";
}

// Frees a statement handle, closed first: PostgreSQL's driver keeps what it
// learned of a prepared statement that never ran unless it is closed.
void FreeStatement(SQLHSTMT stmt) {
  if (stmt == nullptr) return;
  SQLFreeStmt(stmt, SQL_CLOSE);
  SQLFreeHandle(SQL_HANDLE_STMT, stmt);
}

// Frees a statement handle on every path out of a function.
struct StatementHandle {
  SQLHSTMT stmt = nullptr;
  ~StatementHandle() { FreeStatement(stmt); }
};

}  // namespace

std::string ConnectionStringWithoutPassword(std::u16string_view connection_string) {
  std::string shown;
  for (const Entry& entry : Entries(unicode::ToUtf8(connection_string))) {
    if (IsPassword(entry) || entry.key == "provider") continue;
    shown += (shown.empty() ? "" : ";") + entry.text;
  }
  return shown;
}

Status OdbcConnection::Open(std::u16string_view connection_string, std::u16string_view user_id,
                            std::u16string_view password,
                            std::unique_ptr<DatabaseConnection>* opened) {
  std::unique_ptr<OdbcConnection> cn(new OdbcConnection());
  std::string odbc;
  bool file_dsn = false;
  for (const Entry& entry : Entries(unicode::ToUtf8(connection_string))) {
    if (entry.key == "provider") continue;
    file_dsn = file_dsn || entry.key == "filedsn";
    if (IsPassword(entry)) cn->password_ = ValueOf(entry);
    odbc += (odbc.empty() ? "" : ";") + entry.text;
  }
  cn->data_source_ = ConnectionStringWithoutPassword(connection_string);
  if (odbc.empty()) {
    return Status(ErrorNumber::kDatabaseNotFound,
                  Tr("The connection string names no ODBC data source: give DSN=, FILEDSN= or "
                     "Driver= with what the driver needs."));
  }
  if (!user_id.empty()) odbc += ";" + Braced("UID", unicode::ToUtf8(user_id));
  if (!password.empty()) {
    cn->password_ = unicode::ToUtf8(password);
    odbc += ";" + Braced("PWD", cn->password_);
  }

  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &cn->env_)) ||
      !SQL_SUCCEEDED(SQLSetEnvAttr(cn->env_, SQL_ATTR_ODBC_VERSION,
                                   reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0)) ||
      !SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, cn->env_, &cn->dbc_))) {
    return Status(ErrorNumber::kDatabaseIo,
                  Tr("The ODBC driver manager (unixODBC) cannot be used: it could not make a "
                     "connection handle."));
  }
  SQLSetConnectAttrW(cn->dbc_, SQL_ATTR_LOGIN_TIMEOUT,
                     reinterpret_cast<SQLPOINTER>(kLoginTimeoutSeconds), 0);
  SQLRETURN rc = cn->Connect(odbc, file_dsn);
  if (SQL_SUCCEEDED(rc) && cn->DriverIs("psqlodbc")) {
    // Which driver a DSN or FILEDSN names shows only once connected.
    SQLDisconnect(cn->dbc_);
    rc = cn->Connect(odbc + ";" + kPsqlOdbcRollback, file_dsn);
  }
  if (!SQL_SUCCEEDED(rc)) {
    const std::vector<Diagnostic> records = Diagnostics(SQL_HANDLE_DBC, cn->dbc_);
    const ErrorNumber number = NumberFor(records, true);
    const char* what =
        number == ErrorNumber::kServerUnreachable
            ? N_("Cannot reach the database server of the data source \"%1$s\" (%2$s). Check "
                 "that the server is running and that the connection string or data.dsn names "
                 "it rightly.")
        : number == ErrorNumber::kLoginRefused
            ? N_("The data source \"%1$s\" refused the user name or the password (%2$s). Check "
                 "UID and PWD in the connection string or data.dsn.")
        : number == ErrorNumber::kDatabaseNotFound
            ? N_("The ODBC driver manager cannot find the data source or the driver that "
                 "\"%1$s\" names (%2$s). Check the name, and that the driver is installed "
                 "(odbcinst -q -d lists the drivers).")
            : N_("Cannot connect to the data source \"%1$s\" (%2$s).");
    // Closing the handles needs no disconnect: none was made.
    SQLFreeHandle(SQL_HANDLE_DBC, cn->dbc_);
    cn->dbc_ = nullptr;
    return Status(number, Fill(Tr(what), cn->data_source_, Described(records, cn->password_)));
  }
  SQLWCHAR name[128] = {};
  SQLSMALLINT length = 0;
  if (SQL_SUCCEEDED(SQLGetInfoW(cn->dbc_, SQL_DBMS_NAME, name, sizeof(name), &length))) {
    cn->dbms_ = Narrow(name, std::min<size_t>(length / sizeof(SQLWCHAR), std::size(name) - 1));
  }
  *opened = std::move(cn);
  return Status();
}

int OdbcConnection::Connect(const std::string& odbc, bool file_dsn) {
  if (file_dsn) {
    // unixODBC reads a file data source only through the narrow call; the
    // bytes are UTF-8, as the path is.
    return SQLDriverConnect(
        dbc_, nullptr, reinterpret_cast<SQLCHAR*>(const_cast<char*>(odbc.c_str())),
        static_cast<SQLSMALLINT>(odbc.size()), nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
  }
  std::u16string wide = Wide(odbc);
  return SQLDriverConnectW(dbc_, nullptr, WidePointer(wide), static_cast<SQLSMALLINT>(wide.size()),
                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
}

bool OdbcConnection::DriverIs(std::string_view file_name_start) const {
  SQLWCHAR name[128] = {};
  SQLSMALLINT length = 0;
  return SQL_SUCCEEDED(SQLGetInfoW(dbc_, SQL_DRIVER_NAME, name, sizeof(name), &length)) &&
         ascii::Lower(
             Narrow(name, std::min<size_t>(length / sizeof(SQLWCHAR), std::size(name) - 1)))
             .starts_with(file_name_start);
}

OdbcConnection::~OdbcConnection() {
  FreeStatement(shared_);
  if (dbc_ != nullptr) {
    if (in_transaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  }
  if (env_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

Status OdbcConnection::Refused(void* statement, const std::string& sql) {
  const std::vector<Diagnostic> records = statement != nullptr
                                              ? Diagnostics(SQL_HANDLE_STMT, statement)
                                              : Diagnostics(SQL_HANDLE_DBC, dbc_);
  SQLUINTEGER dead = SQL_CD_FALSE;
  // A driver may name the statement that failed rather than the connection
  // that broke under it ("internal SAVEPOINT failed"), so it is asked.
  const ErrorNumber number =
      SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
              dead == SQL_CD_TRUE
          ? ErrorNumber::kConnectionLost
          : NumberFor(records, false);
  const char* what = nullptr;
  switch (number) {
    case ErrorNumber::kConnectionLost:
      lost_ = true;
      what =
          N_("The connection to the data source \"%1$s\" was lost: the server stopped or the "
             "network failed (%2$s): %3$s. The server keeps nothing of the run it did not "
             "commit; try again when it is back.");
      break;
    case ErrorNumber::kDatabaseLocked:
      what =
          N_("dt_table of the data source \"%1$s\" is held by another run or program that is "
             "changing it (%2$s): %3$s. Try again when it has finished.");
      break;
    case ErrorNumber::kNoSuchTable:
      what = N_("The data source \"%1$s\" lacks a table the statement \"%3$s\" names (%2$s).");
      break;
    case ErrorNumber::kValueTooLong:
      what =
          N_("The data source \"%1$s\" refused a value longer than its column takes (%2$s): "
             "%3$s");
      break;
    default:
      what = N_("The data source \"%1$s\" refused the statement (%2$s): %3$s");
      break;
  }
  return Status(number, Fill(Tr(what), data_source_, Described(records, password_), Shorten(sql)));
}

// ADO's options say how to read the command text; every text here is SQL.
Status OdbcConnection::Execute(std::u16string_view command_text, long /*options*/,
                               std::unique_ptr<Recordset>* result) {
  return Run(unicode::ToUtf8(command_text), result);
}

Status OdbcConnection::ExecuteWithValues(std::u16string_view shape,
                                         const std::vector<std::u16string_view>& values,
                                         std::u16string_view command_text) {
  if (!CanBindValues(shape, values) || !PrepareShared(shape, values.size())) {
    // What the text cannot say as parameters, the text itself says.
    return Run(unicode::ToUtf8(command_text));
  }
  const int rc = ExecuteShared(values);
  Status status = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA
                      ? Status()
                      : Refused(shared_, unicode::ToUtf8(command_text));
  SQLFreeStmt(shared_, SQL_CLOSE);
  return status;
}

Status OdbcConnection::Run(const std::string& sql, std::unique_ptr<Recordset>* result) {
  if (sql.find('\0') != std::string::npos) {
    return Status(
        ErrorNumber::kStatementFailed,
        Fill(Tr("The statement holds a NUL character, which the database cannot take: %s"),
             Shorten(sql)));
  }
  if (result == nullptr && IsInsert(sql)) {
    bool ran = false;
    Status shared = RunShared(sql, &ran);
    if (ran) return shared;
  }
  if (result != nullptr && BeginsWith(sql, "select")) return Select(sql, result);
  return RunWhole(sql, sql, result);
}

// Runs `sql` and, when `result` is given, reads all its rows into it. A
// failure names the statement `shown`.
Status OdbcConnection::RunWhole(const std::string& sql, const std::string& shown,
                                std::unique_ptr<Recordset>* result) {
  StatementHandle statement;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement.stmt))) {
    return Refused(nullptr, shown);
  }
  std::u16string text = Wide(sql);
  SQLRETURN rc =
      SQLExecDirectW(statement.stmt, WidePointer(text), static_cast<SQLINTEGER>(text.size()));
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) return Refused(statement.stmt, shown);
  if (result == nullptr) return Status();
  auto rows = std::make_unique<Recordset>();
  if (rc != SQL_NO_DATA) {
    QM_RETURN_IF_ERROR(Describe(statement.stmt, shown, &rows->names_));
    QM_RETURN_IF_ERROR(Fetch(statement.stmt, rows->names_.size(), shown, &rows->text_, &rows->ends_,
                             &rows->count_));
  }
  *result = std::move(rows);
  return Status();
}

// A select's columns are described and its rows counted when it runs; the
// rows are read when first asked for (the final select of a run is mostly
// only counted), through a statement of their own.
Status OdbcConnection::Select(const std::string& sql, std::unique_ptr<Recordset>* result) {
  std::string select = sql;
  while (!select.empty() && (select.back() == ';' || std::isspace(select.back()))) {
    select.pop_back();
  }
  StatementHandle statement;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement.stmt))) {
    return Refused(nullptr, sql);
  }
  std::u16string wide = Wide(select);
  if (!SQL_SUCCEEDED(
          SQLPrepareW(statement.stmt, WidePointer(wide), static_cast<SQLINTEGER>(wide.size())))) {
    return Refused(statement.stmt, sql);
  }
  auto rows = std::make_unique<Recordset>();
  QM_RETURN_IF_ERROR(Describe(statement.stmt, sql, &rows->names_));
  // The line breaks keep a comment at the end of the select from hiding ")".
  std::unique_ptr<Recordset> counted;
  QM_RETURN_IF_ERROR(RunWhole("select count(*) from (\n" + select + "\n) counted", sql, &counted));
  const std::optional<std::u16string> count =
      counted->RecordCount() == 1 ? counted->Value(0, 0) : std::nullopt;
  rows->count_ = count ? std::stoull(unicode::ToUtf8(*count)) : 0;
  rows->read_rows_ = [this, open = std::weak_ptr<const bool>(open_token_), select](
                         std::string* text, std::vector<uint64_t>* ends) {
    if (open.expired()) {
      throw std::runtime_error("The recordset's connection was closed before its rows were read.");
    }
    std::unique_ptr<Recordset> whole;
    Status read = RunWhole(select, select, &whole);
    if (!read.ok()) throw std::runtime_error(read.ToString());
    *text = std::move(whole->text_);
    *ends = std::move(whole->ends_);
  };
  *result = std::move(rows);
  return Status();
}

// The names of the columns the statement gives.
Status OdbcConnection::Describe(void* statement, const std::string& shown,
                                std::vector<std::string>* names) {
  SQLSMALLINT columns = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(statement, &columns))) return Refused(statement, shown);
  for (SQLSMALLINT c = 1; c <= columns; ++c) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLDescribeColW(statement, c, name,
                                       static_cast<SQLSMALLINT>(std::size(name)), &length, nullptr,
                                       nullptr, nullptr, nullptr))) {
      return Refused(statement, shown);
    }
    names->push_back(Narrow(name, std::min<size_t>(length, std::size(name) - 1)));
  }
  return Status();
}

// Reads every row of the executed statement, `columns` values each, onto the
// ends of a recordset's buffers, counting them.
Status OdbcConnection::Fetch(void* statement, size_t columns, const std::string& shown,
                             std::string* text, std::vector<uint64_t>* ends, size_t* count) {
  std::u16string value;
  SQLRETURN rc = SQL_NO_DATA;
  while (columns > 0 && SQL_SUCCEEDED(rc = SQLFetch(statement))) {
    for (size_t c = 1; c <= columns; ++c) {
      value.clear();
      SQLWCHAR piece[512];
      SQLLEN indicator = 0;
      SQLRETURN got;
      // A long value comes in pieces, each but the last filling the buffer.
      while (SQL_SUCCEEDED(got = SQLGetData(statement, static_cast<SQLUSMALLINT>(c), SQL_C_WCHAR,
                                            piece, sizeof(piece), &indicator)) &&
             indicator != SQL_NULL_DATA) {
        const size_t bytes = indicator == SQL_NO_TOTAL || indicator >= SQLLEN{sizeof(piece)}
                                 ? sizeof(piece) - sizeof(SQLWCHAR)
                                 : static_cast<size_t>(indicator);
        value.append(reinterpret_cast<const char16_t*>(piece), bytes / sizeof(SQLWCHAR));
        if (got == SQL_SUCCESS) break;
      }
      if (!SQL_SUCCEEDED(got) && got != SQL_NO_DATA) return Refused(statement, shown);
      if (indicator != SQL_NULL_DATA) unicode::AppendUtf8(value, text);
      ends->push_back(text->size() | (indicator == SQL_NULL_DATA ? Recordset::kNullBit : 0));
    }
    ++*count;
  }
  if (columns > 0 && rc != SQL_NO_DATA) return Refused(statement, shown);
  return Status();
}

// Runs the insert `sql` as its shape, prepared once, with its values bound.
// `ran` stays false when it cannot run that way; the plain way then runs it.
Status OdbcConnection::RunShared(const std::string& sql, bool* ran) {
  if (!sql::ParameterizeTextLiterals(sql, &shape_, &values_)) return Status();
  wide_values_.resize(values_.size());
  std::vector<std::u16string_view> values;
  for (size_t v = 0; v < values_.size(); ++v) {
    wide_values_[v] = Wide(values_[v]);
    values.push_back(wide_values_[v]);
  }
  if (!PrepareShared(Wide(shape_), values.size())) return Status();
  *ran = true;
  const int rc = ExecuteShared(values);
  Status status = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA ? Status() : Refused(shared_, sql);
  SQLFreeStmt(shared_, SQL_CLOSE);
  return status;
}

// Makes `shape` the prepared shared insert, unless it is already. False when
// it does not prepare as one statement of `parameters` parameters.
bool OdbcConnection::PrepareShared(std::u16string_view shape, size_t parameters) {
  if (shared_ != nullptr && shape == shared_shape_) return true;
  FreeStatement(shared_);
  shared_ = nullptr;
  shared_shape_.clear();
  SQLHSTMT stmt = nullptr;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) return false;
  std::u16string text(shape);
  SQLSMALLINT count = -1;
  if (!SQL_SUCCEEDED(SQLPrepareW(stmt, WidePointer(text), static_cast<SQLINTEGER>(text.size()))) ||
      !SQL_SUCCEEDED(SQLNumParams(stmt, &count)) || count != static_cast<SQLSMALLINT>(parameters)) {
    FreeStatement(stmt);
    return false;
  }
  shared_ = stmt;
  shared_shape_ = std::move(text);
  return true;
}

// Runs the shared insert with `values` bound, straight from where they lie;
// the driver's return code. A failure is to be read before the statement is
// closed.
int OdbcConnection::ExecuteShared(const std::vector<std::u16string_view>& values) {
  static char16_t empty[1] = {};
  lengths_.resize(values.size());
  for (size_t v = 0; v < values.size(); ++v) {
    lengths_[v] = static_cast<SQLLEN>(values[v].size() * sizeof(SQLWCHAR));
    const SQLULEN characters = std::max<SQLULEN>(values[v].size(), 1);
    // The driver only reads the value.
    SQLPOINTER data = values[v].empty() ? empty : const_cast<char16_t*>(values[v].data());
    const SQLRETURN rc =
        SQLBindParameter(shared_, static_cast<SQLUSMALLINT>(v + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                         SQL_WVARCHAR, characters, 0, data, lengths_[v], &lengths_[v]);
    if (!SQL_SUCCEEDED(rc)) return rc;
  }
  return SQLExecute(shared_);
}

Status OdbcConnection::BeginTrans() {
  if (in_transaction_) {
    return Status(ErrorNumber::kStatementFailed, Tr("A transaction is already running."));
  }
  if (!SQL_SUCCEEDED(SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT,
                                        reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF), 0))) {
    return Refused(nullptr, "BEGIN");
  }
  in_transaction_ = true;
  return Status();
}

Status OdbcConnection::CommitTrans() {
  if (!in_transaction_) {
    return Status(ErrorNumber::kStatementFailed,
                  Tr("No transaction is running, so there is nothing to commit."));
  }
  return EndTransaction(SQL_COMMIT);
}

Status OdbcConnection::RollbackTrans() {
  if (!in_transaction_) return Status();
  Status status = EndTransaction(SQL_ROLLBACK);
  in_transaction_ = false;
  // A server that lost the connection has already thrown the transaction away.
  return lost_ ? Status() : status;
}

Status OdbcConnection::EndTransaction(short completion) {
  if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, dbc_, completion))) {
    return Refused(nullptr, completion == SQL_COMMIT ? "COMMIT" : "ROLLBACK");
  }
  in_transaction_ = false;
  // With no transaction running, this commits nothing.
  SQLSetConnectAttrW(dbc_, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_ON), 0);
  return Status();
}

Status OdbcConnection::LockTable(std::string_view table) {
  const std::string name(table);
  if (dbms_ == "SQLite") {
    // A change that changes nothing takes SQLite's write lock on the whole
    // database, which BEGIN (deferred) does not; the lock timeout is the
    // driver's busy timeout.
    QM_RETURN_IF_ERROR(Run("pragma busy_timeout = " + std::to_string(lock_timeout_.count())));
    return Run("delete from " + name + " where 0");
  }
  if (dbms_ == "PostgreSQL") {
    QM_RETURN_IF_ERROR(Run("set local lock_timeout = " + std::to_string(lock_timeout_.count())));
  }
  // Other writers wait; readers still see the table as it was committed.
  Status locked = Run("lock table " + name + " in exclusive mode");
  if (locked.ok() || dbms_ == "PostgreSQL" || locked.number() != ErrorNumber::kStatementFailed) {
    return locked;
  }
  return Status(locked.number(),
                Sentences(Fill(Tr("The data source \"%1$s\" (%2$s) cannot lock dt_table for the "
                                  "run, so two runs at once could mix their rows; the run is "
                                  "refused."),
                               data_source_, dbms_),
                          locked.description()));
}

bool OdbcConnection::StillServes() const {
  if (lost_ || dbc_ == nullptr) return false;
  SQLUINTEGER dead = SQL_CD_FALSE;
  return !SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) ||
         dead != SQL_CD_TRUE;
}

}  // namespace quillmere::adodb
