// The ADO-like surface: the connection string read as ADO reads it, the
// provider it names chosen, and every call handed to the connection that
// provider opened.
#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

#include "database/adodb.h"
#include "database/database_connection.h"
#include "database/odbc/odbc_connection.h"
#include "database/sqlite/sqlite_connection.h"
#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::adodb {

namespace {

std::string Trimmed(std::string_view s) { return std::string(ascii::TrimBlanks(s)); }

constexpr char kJetProvider[] = "microsoft.jet.oledb.4.0";

// The value that starts at `pos` and ends at the next ';' outside quotes
// (or the end), as ADO reads one: blanks around it dropped, and one wrapped
// in double quotes or apostrophes unwrapped, a doubled quote inside standing
// for one. `pos` is left after the ';'.
std::string ConnectionStringValue(const std::string& text, size_t* pos) {
  size_t at = text.find_first_not_of(" \t", *pos);
  if (at == std::string::npos) at = text.size();
  std::string value;
  if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
    const char quote = text[at++];
    while (at < text.size()) {
      if (text[at] == quote && (at + 1 == text.size() || text[at + 1] != quote)) break;
      if (text[at] == quote) ++at;  // a doubled quote
      value.push_back(text[at++]);
    }
    at = std::min(text.size(), at + 1);
  }
  size_t semi = text.find(';', at);
  if (semi == std::string::npos) semi = text.size();
  value += Trimmed(text.substr(at, semi - at));
  *pos = semi + 1;
  return value;
}

// "Key=Value;Key=Value;..." with keys lowercased, read as ADO reads a
// connection string: a value may be quoted (see ConnectionStringValue), so
// that it can hold ';', '=' and quotes.
std::map<std::string, std::string> ParseConnectionString(const std::string& text) {
  std::map<std::string, std::string> pairs;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t eq = text.find('=', pos);
    const size_t semi = text.find(';', pos);
    if (eq == std::string::npos || semi < eq) {  // no value: skipped
      pos = semi == std::string::npos ? text.size() : semi + 1;
      continue;
    }
    const std::string key = ascii::Lower(Trimmed(text.substr(pos, eq - pos)));
    pos = eq + 1;
    pairs[key] = ConnectionStringValue(text, &pos);
  }
  return pairs;
}

// ADO's provider for ODBC data sources, with or without its version.
bool IsOdbcProvider(const std::string& provider) {
  const std::string name = ascii::Lower(provider);
  return name == "msdasql" || name.starts_with("msdasql.");
}

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
  auto pairs = ParseConnectionString(unicode::ToUtf8(connection_string));
  const std::string provider = pairs["provider"];
  if (provider.empty()) {
    return Status(ErrorNumber::kProviderNotSupported,
                  Tr("The connection string names no Provider."));
  }
  if (IsOdbcProvider(provider)) {
    QM_RETURN_IF_ERROR(OdbcConnection::Open(connection_string, user_id, password, &open_));
  } else if (ascii::Lower(provider) != kJetProvider) {
    return Status(ErrorNumber::kProviderNotSupported,
                  Fill(Tr("The provider \"%s\" is not supported; only Microsoft.Jet.OLEDB.4.0 "
                          "(data.mdb) and MSDASQL (ODBC) are."),
                       provider));
  } else if (!pairs["jet oledb:database password"].empty() || !password.empty()) {
    return Status(ErrorNumber::kDatabasePassword,
                  Tr("The database has a password; password-protected databases are not "
                     "supported. Remove the password, or use a database without one."));
  } else {
    const std::string path = files::NativePath(unicode::FromUtf8(pairs["data source"]));
    if (path.empty()) {
      return Status(ErrorNumber::kDatabaseNotFound,
                    Tr("The connection string names no Data Source."));
    }
    QM_RETURN_IF_ERROR(SqliteConnection::Open(path, std::chrono::milliseconds(3000), &open_));
  }
  if (lock_timeout_) open_->SetLockTimeout(*lock_timeout_);
  connection_string_ = connection_string;
  odbc_ = IsOdbcProvider(provider);
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

}  // namespace quillmere::adodb
