// The ADO-like surface: the connection string read as ADO reads it, the
// provider it names chosen, and every call handed to the connection that
// provider opened.
#include "database/adodb.h"
#include "database/connection_string.h"
#include "database/odbc/odbc_connection.h"
#include "database/sqlite/sqlite_connection.h"
#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::adodb {

namespace {

Status NotOpen(const char* what) { return Status(ErrorNumber::kConnectionClosed, Tr(what)); }

}  // namespace

Connection::Connection() = default;

Connection::~Connection() = default;

long Connection::State() const { return open_ ? kStateOpen : kStateClosed; }

void Connection::Close() {
  open_.reset();
  connection_string_.clear();
  odbc_ = false;
}

bool Connection::StillServes() const { return open_ && open_->StillServes(); }

const std::string& Connection::data_source() const {
  static const std::string kNone;
  return open_ ? open_->data_source() : kNone;
}

std::string Connection::DbmsName() const { return open_ ? open_->DbmsName() : std::string(); }

bool Connection::InTransaction() const { return open_ && open_->InTransaction(); }

void Connection::SetLockTimeout(std::chrono::milliseconds timeout) {
  lock_timeout_ = timeout;
  if (open_) open_->SetLockTimeout(timeout);
}

// ADO's open options (asynchronous opening) have no meaning here.
Status Connection::Open(std::u16string_view connection_string, std::u16string_view user_id,
                        std::u16string_view password, long /*options*/) {
  if (open_) {
    return Status(ErrorNumber::kConnectionOpen,
                  Tr("The database connection is already open; it cannot be opened again."));
  }
  auto values = connection_string::ReadAdo(unicode::ToUtf8(connection_string));
  const std::string provider = values["provider"];
  if (provider.empty()) {
    return Status(ErrorNumber::kProviderNotSupported,
                  Tr("The connection string names no Provider."));
  }
  const bool odbc = connection_string::IsOdbcProvider(provider);
  if (odbc) {
    QM_RETURN_IF_ERROR(OdbcConnection::Open(connection_string, user_id, password, &open_));
  } else if (!connection_string::IsJetProvider(provider)) {
    return Status(ErrorNumber::kProviderNotSupported,
                  Fill(Tr("The provider \"%s\" is not supported; only Microsoft.Jet.OLEDB.4.0 "
                          "(data.mdb) and MSDASQL (ODBC) are."),
                       provider));
  } else if (!values["jet oledb:database password"].empty() || !password.empty()) {
    return Status(ErrorNumber::kDatabasePassword,
                  Tr("The database has a password; password-protected databases are not "
                     "supported. Remove the password, or use a database without one."));
  } else {
    const std::string path = files::NativePath(unicode::FromUtf8(values["data source"]));
    if (path.empty()) {
      return Status(ErrorNumber::kDatabaseNotFound,
                    Tr("The connection string names no Data Source."));
    }
    QM_RETURN_IF_ERROR(SqliteConnection::Open(path, std::chrono::milliseconds(3000), &open_));
  }
  if (lock_timeout_) open_->SetLockTimeout(*lock_timeout_);
  connection_string_ = connection_string;
  odbc_ = odbc;
  return Status();
}

Status Connection::Execute(std::u16string_view command_text, long options,
                           std::unique_ptr<Recordset>* result) {
  if (!open_)
    return NotOpen(N_("The database connection is not open, so the statement cannot run."));
  return open_->Execute(command_text, options, result);
}

Status Connection::ExecuteWithValues(std::u16string_view shape,
                                     const std::vector<std::u16string_view>& values,
                                     std::u16string_view command_text) {
  if (!open_)
    return NotOpen(N_("The database connection is not open, so the statement cannot run."));
  return open_->ExecuteWithValues(shape, values, command_text);
}

Status Connection::ReadRows(std::u16string_view select, const RowTaker& take) {
  if (!open_)
    return NotOpen(N_("The database connection is not open, so the statement cannot run."));
  return open_->ReadRows(select, take);
}

Status Connection::BeginTrans() {
  if (!open_) {
    return NotOpen(N_("The database connection is not open, so no transaction can begin."));
  }
  return open_->BeginTrans();
}

Status Connection::CommitTrans() {
  if (!open_) {
    return Status(ErrorNumber::kStatementFailed,
                  Tr("No transaction is running, so there is nothing to commit."));
  }
  return open_->CommitTrans();
}

Status Connection::RollbackTrans() { return open_ ? open_->RollbackTrans() : Status(); }

Status Connection::LockTable(std::u16string_view table) {
  if (!open_) return NotOpen(N_("The database connection is not open, so no table can be locked."));
  return open_->LockTable(unicode::ToUtf8(table));
}

Status CreateDatabase(const std::string& native_path, std::string_view schema_sql) {
  return SqliteConnection::Create(native_path, schema_sql);
}

}  // namespace quillmere::adodb
