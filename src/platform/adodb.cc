#include "platform/adodb.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/files.h"
#include "platform/unicode.h"

namespace quillmere::adodb {

namespace {

constexpr char kJetProvider[] = "microsoft.jet.oledb.4.0";
constexpr int kBusyTimeoutMs = 3000;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  size_t e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// "Key=Value;Key=Value;..." with keys lowercased. A value wrapped in
// apostrophes or double quotes loses them; an empty value stays empty.
std::map<std::string, std::string> ParseConnectionString(const std::string& text) {
  std::map<std::string, std::string> pairs;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t semi = text.find(';', pos);
    if (semi == std::string::npos) semi = text.size();
    std::string item = text.substr(pos, semi - pos);
    pos = semi + 1;
    size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    std::string value = Trim(item.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '\'' || value.front() == '"') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    pairs[Lower(Trim(item.substr(0, eq)))] = value;
  }
  return pairs;
}

// What the first bytes of a file say it is.
enum class FileKind { kSqlite, kEmpty, kJet, kOther };

FileKind SniffFile(const std::string& path) {
  std::string head;
  if (!files::ReadFileHead(path, 64, &head).ok()) return FileKind::kOther;
  if (head.empty()) return FileKind::kEmpty;
  if (head.rfind(std::string("SQLite format 3\0", 16), 0) == 0) return FileKind::kSqlite;
  if (head.size() >= 19 && (head.compare(4, 15, "Standard Jet DB") == 0 ||
                            head.compare(4, 15, "Standard ACE DB") == 0)) {
    return FileKind::kJet;
  }
  return FileKind::kOther;
}

ErrorNumber NumberFor(int sqlite_code) {
  switch (sqlite_code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return ErrorNumber::kDatabaseLocked;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return ErrorNumber::kNotADatabase;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
      return ErrorNumber::kDatabaseIo;
    default:
      break;
  }
  if (sqlite_code == SQLITE_CONSTRAINT_CHECK) return ErrorNumber::kValueTooLong;
  return ErrorNumber::kStatementFailed;
}

std::string Shorten(const std::string& statement) {
  constexpr size_t kMax = 160;
  return statement.size() <= kMax ? statement : statement.substr(0, kMax) + "...";
}

// Closes a prepared statement on every path out of a function.
struct Finalizer {
  sqlite3_stmt* stmt = nullptr;
  ~Finalizer() { sqlite3_finalize(stmt); }
};

}  // namespace

Connection::Connection() = default;

Connection::~Connection() {
  if (db_ != nullptr) {
    if (in_transaction_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
  }
}

long Connection::State() const { return db_ != nullptr ? kStateOpen : kStateClosed; }

const std::string& Connection::data_source() const { return data_source_; }

bool Connection::InTransaction() const { return in_transaction_; }

Status Connection::Open(std::u16string_view connection_string, std::u16string_view user_id,
                        std::u16string_view password, long options) {
  if (db_ != nullptr) {
    return Status(ErrorNumber::kStatementFailed,
                  "The connection is already open (it cannot be opened twice).");
  }
  auto pairs = ParseConnectionString(unicode::ToUtf8(connection_string));
  const std::string provider = pairs["provider"];
  if (Lower(provider) != kJetProvider) {
    return Status(ErrorNumber::kProviderNotSupported,
                  "The provider \"" + provider +
                      "\" is not supported; only Microsoft.Jet.OLEDB.4.0 is.");
  }
  if (!pairs["jet oledb:database password"].empty() || !password.empty()) {
    return Status(ErrorNumber::kDatabasePassword,
                  "The database has a password; password-protected databases are not supported.");
  }
  const std::string path = files::NativePath(unicode::FromUtf8(pairs["data source"]));
  if (path.empty()) {
    return Status(ErrorNumber::kDatabaseNotFound, "The connection string names no Data Source.");
  }
  if (!files::Exists(path)) {
    return Status(ErrorNumber::kDatabaseNotFound,
                  "The database \"" + path + "\" does not exist (create it with quillmere newdb).");
  }
  switch (SniffFile(path)) {
    case FileKind::kJet:
      return Status(ErrorNumber::kNotADatabase,
                    "\"" + path + "\" is a Microsoft Access (Jet) database. Quillmere's data.mdb "
                    "is an SQLite database: create one with quillmere newdb.");
    case FileKind::kOther:
      return Status(ErrorNumber::kNotADatabase,
                    "\"" + path + "\" is not an SQLite database (or cannot be read).");
    default:
      break;
  }
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // Reading the schema proves the file really is a database.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    Status failure(NumberFor(rc), "Cannot open the database \"" + path +
                                      "\": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)) + ".");
    sqlite3_close_v2(db);
    return failure;
  }
  db_ = db;
  data_source_ = path;
  return Status();
}

Status Connection::Execute(std::u16string_view command_text, long options,
                           std::unique_ptr<Recordset>* result) {
  if (db_ == nullptr) {
    return Status(ErrorNumber::kConnectionClosed,
                  "The database connection is not open, so the statement cannot run.");
  }
  const std::string sql = unicode::ToUtf8(command_text);
  Finalizer statement;
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement.stmt,
                              &tail);
  if (rc == SQLITE_OK && statement.stmt == nullptr) {
    return Status(ErrorNumber::kStatementFailed, "The statement is empty.");
  }
  if (rc == SQLITE_OK && Trim(std::string(tail)).find_first_not_of(";\r\n ") != std::string::npos) {
    return Status(ErrorNumber::kStatementFailed,
                  "Only one statement can run at a time: " + Shorten(sql));
  }
  auto rows = std::make_unique<Recordset>();
  const int columns = rc == SQLITE_OK ? sqlite3_column_count(statement.stmt) : 0;
  for (int c = 0; c < columns; ++c) {
    rows->field_names.push_back(unicode::FromUtf8(sqlite3_column_name(statement.stmt, c)));
  }
  while (rc == SQLITE_OK || rc == SQLITE_ROW) {
    rc = sqlite3_step(statement.stmt);
    if (rc != SQLITE_ROW) break;
    auto& row = rows->rows.emplace_back();
    for (int c = 0; c < columns; ++c) {
      const unsigned char* value = sqlite3_column_text(statement.stmt, c);
      if (value == nullptr) {
        row.emplace_back(std::nullopt);
      } else {
        row.emplace_back(unicode::FromUtf8(std::string_view(
            reinterpret_cast<const char*>(value), sqlite3_column_bytes(statement.stmt, c))));
      }
    }
  }
  if (rc != SQLITE_DONE) {
    return Status(NumberFor(sqlite3_extended_errcode(db_)),
                  std::string("The database refused the statement (") + sqlite3_errmsg(db_) +
                      "): " + Shorten(sql));
  }
  if (result != nullptr) *result = std::move(rows);
  return Status();
}

Status Connection::BeginTrans() {
  if (db_ == nullptr) {
    return Status(ErrorNumber::kConnectionClosed,
                  "The database connection is not open, so no transaction can begin.");
  }
  if (in_transaction_) {
    return Status(ErrorNumber::kStatementFailed, "A transaction is already running.");
  }
  // IMMEDIATE takes the write lock now, so a database another program holds
  // is reported before any work is done.
  QM_RETURN_IF_ERROR(Execute(u"BEGIN IMMEDIATE", kOptionUnspecified));
  in_transaction_ = true;
  return Status();
}

Status Connection::CommitTrans() {
  if (!in_transaction_) {
    return Status(ErrorNumber::kStatementFailed, "No transaction is running.");
  }
  QM_RETURN_IF_ERROR(Execute(u"COMMIT", kOptionUnspecified));
  in_transaction_ = false;
  return Status();
}

Status Connection::RollbackTrans() {
  if (!in_transaction_) return Status();
  in_transaction_ = false;
  return Execute(u"ROLLBACK", kOptionUnspecified);
}

}  // namespace quillmere::adodb
