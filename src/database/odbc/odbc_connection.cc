#include "database/odbc/odbc_connection.h"

// clang-format off
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <type_traits>

#include "database/connection_string.h"
#include "database/odbc/diagnostics.h"
#include "database/odbc/wide_text.h"
#include "database/recordset.h"
#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere::adodb {

namespace {

using odbc::Narrow;
using odbc::WidePointer;

static_assert(std::is_same_v<SQLLEN, long>, "OdbcConnection keeps lengths as long");

// How long a connection may take before it counts as refused.
constexpr SQLULEN kLoginTimeoutSeconds = 10;

// PostgreSQL's driver (psqlODBC) by default guards every statement in a
// transaction with a savepoint of its own, so that a failed one could be
// undone alone: twice the round trips for every row. A run undoes all its
// work on any failure, so it asks that driver to roll back the transaction
// instead (the level after the dash), which the server does anyway.
constexpr char kPsqlOdbcRollback[] = "Protocol=7.4-1";

std::u16string Wide(std::string_view utf8) { return unicode::FromUtf8(utf8); }

// `text` as the driver gets the text of any statement, which passes through
// UTF-8: well-formed, a lone surrogate as U+FFFD. Kept in `repaired` when
// that changes it.
std::u16string_view WellFormed(std::u16string_view text, std::u16string* repaired) {
  if (std::none_of(text.begin(), text.end(),
                   [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; })) {
    return text;
  }
  *repaired = Wide(unicode::ToUtf8(text));
  return *repaired;
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

Status OdbcConnection::Open(std::u16string_view connection_string, std::u16string_view user_id,
                            std::u16string_view password,
                            std::unique_ptr<DatabaseConnection>* opened) {
  std::unique_ptr<OdbcConnection> cn(new OdbcConnection());
  std::string odbc;
  bool file_dsn = false;
  for (const auto& entry : connection_string::ReadOdbc(unicode::ToUtf8(connection_string))) {
    if (entry.key == "provider") continue;
    file_dsn = file_dsn || entry.key == "filedsn";
    if (entry.IsPassword()) cn->password_ = entry.Value();
    odbc += (odbc.empty() ? "" : ";") + entry.text;
  }
  cn->data_source_ = connection_string::WithoutPassword(connection_string);
  if (odbc.empty()) {
    return Status(ErrorNumber::kDatabaseNotFound,
                  Tr("The connection string names no ODBC data source: give DSN=, FILEDSN= or "
                     "Driver= with what the driver needs."));
  }
  if (!user_id.empty()) {
    odbc += ";" + connection_string::OdbcEntryText("UID", unicode::ToUtf8(user_id));
  }
  if (!password.empty()) {
    cn->password_ = unicode::ToUtf8(password);
    odbc += ";" + connection_string::OdbcEntryText("PWD", cn->password_);
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
    const std::vector<odbc::Diagnostic> records = odbc::Diagnostics(SQL_HANDLE_DBC, cn->dbc_);
    const ErrorNumber number = odbc::NumberFor(records, true);
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
    return Status(number,
                  Fill(Tr(what), cn->data_source_, odbc::Described(records, cn->password_)));
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
  FreeStatement(insert_);
  if (dbc_ != nullptr) {
    if (in_transaction_) SQLEndTran(SQL_HANDLE_DBC, dbc_, SQL_ROLLBACK);
    SQLDisconnect(dbc_);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
  }
  if (env_ != nullptr) SQLFreeHandle(SQL_HANDLE_ENV, env_);
}

Status OdbcConnection::Refused(void* statement, const std::string& sql) {
  const std::vector<odbc::Diagnostic> records = statement != nullptr
                                                    ? odbc::Diagnostics(SQL_HANDLE_STMT, statement)
                                                    : odbc::Diagnostics(SQL_HANDLE_DBC, dbc_);
  SQLUINTEGER dead = SQL_CD_FALSE;
  // A driver may name the statement that failed rather than the connection
  // that broke under it ("internal SAVEPOINT failed"), so it is asked.
  const ErrorNumber number =
      SQL_SUCCEEDED(SQLGetConnectAttrW(dbc_, SQL_ATTR_CONNECTION_DEAD, &dead, 0, nullptr)) &&
              dead == SQL_CD_TRUE
          ? ErrorNumber::kConnectionLost
          : odbc::NumberFor(records, false);
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
  return Status(number,
                Fill(Tr(what), data_source_, odbc::Described(records, password_), Shorten(sql)));
}

// ADO's options say how to read the command text; every text here is SQL.
Status OdbcConnection::Execute(std::u16string_view command_text, long /*options*/,
                               std::unique_ptr<Recordset>* result) {
  QM_RETURN_IF_ERROR(RefuseNul(command_text));
  std::u16string repaired;
  Status shared;
  if (result == nullptr && shared_insert_.RunText(WellFormed(command_text, &repaired), &shared)) {
    return shared;
  }
  return Run(unicode::ToUtf8(command_text), result);
}

Status OdbcConnection::ExecuteWithValues(std::u16string_view shape,
                                         const std::vector<std::u16string_view>& values,
                                         std::u16string_view command_text) {
  Status shared;
  if (shared_insert_.RunValues(shape, values, command_text, &shared)) return shared;
  // What the text cannot say as parameters, the text itself says.
  return Execute(command_text, kOptionUnspecified, nullptr);
}

Status OdbcConnection::Run(const std::string& sql, std::unique_ptr<Recordset>* result) {
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
  const std::string select = WithoutFinalSemicolons(sql);
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

namespace {

// Reads column `c` of the statement's current row into `value` (nullopt for
// NULL), a long value in pieces, each but the last filling the buffer.
// Returns the last SQLGetData's result.
SQLRETURN GetText(SQLHSTMT statement, size_t c, std::optional<std::u16string>* value) {
  value->emplace();
  SQLWCHAR piece[512];
  SQLLEN indicator = 0;
  SQLRETURN got;
  while (SQL_SUCCEEDED(got = SQLGetData(statement, static_cast<SQLUSMALLINT>(c), SQL_C_WCHAR, piece,
                                        sizeof(piece), &indicator)) &&
         indicator != SQL_NULL_DATA) {
    const size_t bytes = indicator == SQL_NO_TOTAL || indicator >= SQLLEN{sizeof(piece)}
                             ? sizeof(piece) - sizeof(SQLWCHAR)
                             : static_cast<size_t>(indicator);
    (*value)->append(reinterpret_cast<const char16_t*>(piece), bytes / sizeof(SQLWCHAR));
    if (got == SQL_SUCCESS) break;
  }
  if (indicator == SQL_NULL_DATA) value->reset();
  return got;
}

}  // namespace

// Reads every row of the executed statement, `columns` values each, onto the
// ends of a recordset's buffers, counting them.
Status OdbcConnection::Fetch(void* statement, size_t columns, const std::string& shown,
                             std::string* text, std::vector<uint64_t>* ends, size_t* count) {
  std::optional<std::u16string> value;
  SQLRETURN rc = SQL_NO_DATA;
  while (columns > 0 && SQL_SUCCEEDED(rc = SQLFetch(statement))) {
    for (size_t c = 1; c <= columns; ++c) {
      const SQLRETURN got = GetText(statement, c, &value);
      if (!SQL_SUCCEEDED(got) && got != SQL_NO_DATA) return Refused(statement, shown);
      if (value) unicode::AppendUtf8(*value, text);
      ends->push_back(text->size() | (value ? 0 : Recordset::kNullBit));
    }
    ++*count;
  }
  if (columns > 0 && rc != SQL_NO_DATA) return Refused(statement, shown);
  return Status();
}

// PostgreSQL's driver reads a statement's whole result into memory before it
// hands out the first row, so there the rows come through a cursor of the
// server's, a batch at a time, inside the transaction running or one of the
// reading's own (which changes nothing and is rolled back).
Status OdbcConnection::ReadRows(std::u16string_view select, const RowTaker& take) {
  QM_RETURN_IF_ERROR(RefuseNul(select));
  const std::string sql = WithoutFinalSemicolons(unicode::ToUtf8(select));
  if (!BeginsWith(sql, "select")) {
    return Status(ErrorNumber::kStatementFailed,
                  Fill(Tr("Only a select's rows can be read: %s"), Shorten(sql)));
  }
  if (dbms_ != "PostgreSQL") return FetchEach(sql, sql, take, nullptr);
  constexpr size_t kBatch = 1000;
  const bool own_transaction = !in_transaction_;
  if (own_transaction) QM_RETURN_IF_ERROR(BeginTrans());
  Status status = Run("declare quillmere_rows no scroll cursor for " + sql);
  for (size_t fetched = kBatch; status.ok() && fetched == kBatch;) {
    fetched = 0;
    status = FetchEach("fetch forward " + std::to_string(kBatch) + " from quillmere_rows", sql,
                       take, &fetched);
  }
  if (status.ok()) status = Run("close quillmere_rows");
  if (!own_transaction) return status;
  Status ended = RollbackTrans();
  return status.ok() ? ended : status;
}

// Runs `sql` and hands each row it gives to `take`, counting them in
// `fetched` when given. A failure names the statement `shown`.
Status OdbcConnection::FetchEach(const std::string& sql, const std::string& shown,
                                 const RowTaker& take, size_t* fetched) {
  StatementHandle statement;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &statement.stmt))) {
    return Refused(nullptr, shown);
  }
  std::u16string wide = Wide(sql);
  if (!SQL_SUCCEEDED(SQLExecDirectW(statement.stmt, WidePointer(wide),
                                    static_cast<SQLINTEGER>(wide.size())))) {
    return Refused(statement.stmt, shown);
  }
  SQLSMALLINT columns = 0;
  if (!SQL_SUCCEEDED(SQLNumResultCols(statement.stmt, &columns))) {
    return Refused(statement.stmt, shown);
  }
  std::optional<std::u16string> value;
  std::string text;
  std::vector<size_t> ends;  // where each value ends in `text`; npos for NULL
  RowValues row(static_cast<size_t>(columns));
  SQLRETURN rc;
  while (columns > 0 && SQL_SUCCEEDED(rc = SQLFetch(statement.stmt))) {
    text.clear();
    ends.clear();
    for (size_t c = 1; c <= row.size(); ++c) {
      const SQLRETURN got = GetText(statement.stmt, c, &value);
      if (!SQL_SUCCEEDED(got) && got != SQL_NO_DATA) return Refused(statement.stmt, shown);
      if (value) unicode::AppendUtf8(*value, &text);
      ends.push_back(value ? text.size() : std::string::npos);
    }
    // The views are made once the row's text has stopped growing.
    for (size_t c = 0, begin = 0; c < row.size(); ++c) {
      if (ends[c] == std::string::npos) {
        row[c].reset();
        continue;
      }
      row[c] = std::string_view(text).substr(begin, ends[c] - begin);
      begin = ends[c];
    }
    QM_RETURN_IF_ERROR(take(row));
    if (fetched != nullptr) ++*fetched;
  }
  if (columns > 0 && rc != SQL_NO_DATA) return Refused(statement.stmt, shown);
  return Status();
}

bool OdbcConnection::PrepareInsert(std::u16string_view shape, size_t parameters) {
  FreeStatement(insert_);
  insert_ = nullptr;
  SQLHSTMT stmt = nullptr;
  if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt))) return false;
  std::u16string text(shape);
  SQLSMALLINT count = -1;
  if (!SQL_SUCCEEDED(SQLPrepareW(stmt, WidePointer(text), static_cast<SQLINTEGER>(text.size()))) ||
      !SQL_SUCCEEDED(SQLNumParams(stmt, &count)) || count != static_cast<SQLSMALLINT>(parameters)) {
    FreeStatement(stmt);
    return false;
  }
  insert_ = stmt;
  return true;
}

// The values are bound straight from where they lie. A failure is read
// before the statement is closed.
Status OdbcConnection::RunPrepared(const std::vector<std::u16string_view>& values,
                                   std::u16string_view statement) {
  static char16_t empty[1] = {};
  lengths_.resize(values.size());
  SQLRETURN rc = SQL_SUCCESS;
  for (size_t v = 0; v < values.size() && SQL_SUCCEEDED(rc); ++v) {
    lengths_[v] = static_cast<SQLLEN>(values[v].size() * sizeof(SQLWCHAR));
    const SQLULEN characters = std::max<SQLULEN>(values[v].size(), 1);
    // The driver only reads the value.
    SQLPOINTER data = values[v].empty() ? empty : const_cast<char16_t*>(values[v].data());
    rc = SQLBindParameter(insert_, static_cast<SQLUSMALLINT>(v + 1), SQL_PARAM_INPUT, SQL_C_WCHAR,
                          SQL_WVARCHAR, characters, 0, data, lengths_[v], &lengths_[v]);
  }
  if (SQL_SUCCEEDED(rc)) rc = SQLExecute(insert_);
  Status status = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA
                      ? Status()
                      : Refused(insert_, unicode::ToUtf8(statement));
  SQLFreeStmt(insert_, SQL_CLOSE);
  return status;
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
