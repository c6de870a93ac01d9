#include "database/sqlite/sqlite_connection.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>
#include <stdexcept>

#include "database/recordset.h"
#include "platform/encoding/unicode.h"
#include "platform/file_system.h"
#include "platform/translation.h"

namespace quillmere::adodb {

namespace {

// Why the file at `path` cannot be opened as an SQLite database, judged by
// its first bytes; success when it can be tried.
Status CheckDatabaseFile(const std::string& path) {
  std::string head;
  Status read = files::Disk().ReadFileHead(path, 64, &head);
  if (read.number() == ErrorNumber::kFileNotFound) {
    return Status(ErrorNumber::kDatabaseNotFound,
                  Fill(Tr("The database \"%s\" does not exist."), path));
  }
  QM_RETURN_IF_ERROR(read);
  if (head.rfind(std::string("SQLite format 3\0", 16), 0) == 0) return Status();
  if (head.empty()) {
    return Status(ErrorNumber::kNotADatabase,
                  Fill(Tr("\"%s\" is an empty file, not an SQLite database."), path));
  }
  if (head.size() >= 19 && (head.compare(4, 15, "Standard Jet DB") == 0 ||
                            head.compare(4, 15, "Standard ACE DB") == 0)) {
    return Status(ErrorNumber::kNotADatabase,
                  Fill(Tr("\"%s\" is a Microsoft Access (Jet) database; the data.mdb this "
                          "program uses is an SQLite database."),
                       path));
  }
  return Status(ErrorNumber::kNotADatabase, Fill(Tr("\"%s\" is not an SQLite database."), path));
}

ErrorNumber NumberFor(int sqlite_code) {
  if (sqlite_code == SQLITE_CONSTRAINT_CHECK) return ErrorNumber::kValueTooLong;
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
      return ErrorNumber::kStatementFailed;
  }
}

// Closes a prepared statement on every path out of a function.
struct Finalizer {
  sqlite3_stmt* stmt = nullptr;
  ~Finalizer() { sqlite3_finalize(stmt); }
};

bool OnlyBlanksAndSemicolons(std::string_view rest) {
  return std::all_of(rest.begin(), rest.end(),
                     [](unsigned char c) { return c == ';' || std::isspace(c); });
}

// Appends one column of the statement's current row to the buffers of a
// recordset.
void TakeValue(sqlite3_stmt* statement, int column, std::string* text, std::vector<uint64_t>* ends,
               uint64_t null_bit) {
  const char* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  if (value != nullptr) text->append(value, sqlite3_column_bytes(statement, column));
  ends->push_back(text->size() | (value == nullptr ? null_bit : 0));
}

// Runs `select` again and appends its rows, `columns` values each, to the
// buffers of a recordset. Throws std::runtime_error when it cannot.
void ReadAllRows(sqlite3* db, const std::string& select, int columns, std::string* text,
                 std::vector<uint64_t>* ends, uint64_t null_bit) {
  Finalizer statement;
  if (sqlite3_prepare_v2(db, select.c_str(), static_cast<int>(select.size()), &statement.stmt,
                         nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("The recordset's rows cannot be read: ") +
                             sqlite3_errmsg(db));
  }
  int rc;
  while ((rc = sqlite3_step(statement.stmt)) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      TakeValue(statement.stmt, c, text, ends, null_bit);
    }
  }
  if (rc != SQLITE_DONE) {
    throw std::runtime_error("The recordset's rows cannot be read: the table changed.");
  }
}

}  // namespace

SqliteConnection::~SqliteConnection() {
  ForgetInsert();
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close_v2(db_);
}

bool SqliteConnection::StillServes() const {
  struct stat st;
  return db_ != nullptr && ::stat(data_source_.c_str(), &st) == 0 && st.st_dev == device_ &&
         st.st_ino == inode_;
}

bool SqliteConnection::InTransaction() const {
  return db_ != nullptr && !sqlite3_get_autocommit(db_);
}

void SqliteConnection::SetLockTimeout(std::chrono::milliseconds timeout) {
  lock_timeout_ = timeout;
  if (db_ != nullptr) sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
}

Status SqliteConnection::Open(const std::string& path, std::chrono::milliseconds lock_timeout,
                              std::unique_ptr<DatabaseConnection>* opened) {
  QM_RETURN_IF_ERROR(CheckDatabaseFile(path));

  // A relative name goes to SQLite as "./name", so that names such as
  // ":memory:" stay ordinary files.
  const std::string sqlite_path = path.front() == '/' ? path : "./" + path;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(sqlite_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, static_cast<int>(lock_timeout.count()));
    // Reading the schema proves the file really is a database.
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  }
  if (rc != SQLITE_OK) {
    Status failure(NumberFor(rc), Fill(Tr("Cannot open the database \"%s\": %s."), path,
                                       db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    sqlite3_close_v2(db);
    return failure;
  }
  std::unique_ptr<SqliteConnection> cn(new SqliteConnection());
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    cn->device_ = st.st_dev;
    cn->inode_ = st.st_ino;
  }
  cn->db_ = db;
  cn->data_source_ = path;
  cn->lock_timeout_ = lock_timeout;
  *opened = std::move(cn);
  return Status();
}

// ADO's options say how to read the command text; every text here is SQL.
Status SqliteConnection::Execute(std::u16string_view command_text, long /*options*/,
                                 std::unique_ptr<Recordset>* result) {
  if (db_ == nullptr) {
    return Status(ErrorNumber::kConnectionClosed,
                  Tr("The database connection is not open, so the statement cannot run."));
  }
  QM_RETURN_IF_ERROR(RefuseNul(command_text));
  Status shared;
  if (result == nullptr && shared_insert_.RunText(command_text, &shared)) return shared;

  const std::string sql = unicode::ToUtf8(command_text);
  Finalizer statement;
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement.stmt, &tail) !=
      SQLITE_OK) {
    return Refused(sql);
  }
  if (statement.stmt == nullptr) {
    return Status(ErrorNumber::kStatementFailed, Tr("The statement is empty."));
  }
  if (!OnlyBlanksAndSemicolons(std::string_view(tail, sql.data() + sql.size() - tail))) {
    return Status(ErrorNumber::kStatementFailed,
                  Fill(Tr("Only one statement can run at a time: %s"), Shorten(sql)));
  }
  // A statement whose rows nobody wants (an insert, say) just runs.
  auto rows = result != nullptr ? std::make_unique<Recordset>() : nullptr;
  const int columns = rows ? sqlite3_column_count(statement.stmt) : 0;
  for (int c = 0; c < columns; ++c) rows->names_.push_back(sqlite3_column_name(statement.stmt, c));
  if (columns > 0 && sqlite3_stmt_readonly(statement.stmt) && BeginsWith(sql, "select")) {
    // Counted now; the rows are read if anyone asks for them.
    const std::string select = WithoutFinalSemicolons(std::string_view(sql.c_str(), tail));
    QM_RETURN_IF_ERROR(CountRows(select, &rows->count_));
    rows->read_rows_ = [db = db_, open = std::weak_ptr<const bool>(open_token_), select, columns](
                           std::string* text, std::vector<uint64_t>* ends) {
      if (open.expired()) {
        throw std::runtime_error(
            "The recordset's connection was closed before its rows were read.");
      }
      ReadAllRows(db, select, columns, text, ends, Recordset::kNullBit);
    };
    *result = std::move(rows);
    return Status();
  }
  int rc;
  while ((rc = sqlite3_step(statement.stmt)) == SQLITE_ROW) {
    for (int c = 0; c < columns; ++c) {
      TakeValue(statement.stmt, c, &rows->text_, &rows->ends_, Recordset::kNullBit);
    }
    if (rows) ++rows->count_;
  }
  if (rc != SQLITE_DONE) return Refused(sql);
  if (result != nullptr) *result = std::move(rows);
  return Status();
}

// The number of rows `select` gives, counted by the database without
// producing them.
Status SqliteConnection::CountRows(const std::string& select, size_t* count) {
  // The line breaks keep a comment at the end of `select` from hiding ")".
  const std::string counting = "select count(*) from (\n" + select + "\n)";
  Finalizer statement;
  if (sqlite3_prepare_v2(db_, counting.c_str(), static_cast<int>(counting.size()), &statement.stmt,
                         nullptr) != SQLITE_OK ||
      sqlite3_step(statement.stmt) != SQLITE_ROW) {
    return Refused(select);
  }
  *count = static_cast<size_t>(sqlite3_column_int64(statement.stmt, 0));
  return Status();
}

Status SqliteConnection::ExecuteWithValues(std::u16string_view shape,
                                           const std::vector<std::u16string_view>& values,
                                           std::u16string_view command_text) {
  Status shared;
  if (shared_insert_.RunValues(shape, values, command_text, &shared)) return shared;
  // What the text cannot say as parameters, the text itself says.
  return Execute(command_text, kOptionUnspecified);
}

Status SqliteConnection::ReadRows(std::u16string_view select, const RowTaker& take) {
  if (db_ == nullptr) {
    return Status(ErrorNumber::kConnectionClosed,
                  Tr("The database connection is not open, so the statement cannot run."));
  }
  QM_RETURN_IF_ERROR(RefuseNul(select));
  const std::string sql = unicode::ToUtf8(select);
  Finalizer statement;
  if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement.stmt,
                         nullptr) != SQLITE_OK) {
    return Refused(sql);
  }
  if (statement.stmt == nullptr || !sqlite3_stmt_readonly(statement.stmt)) {
    return Status(ErrorNumber::kStatementFailed,
                  Fill(Tr("Only a select's rows can be read: %s"), Shorten(sql)));
  }
  RowValues row(static_cast<size_t>(sqlite3_column_count(statement.stmt)));
  int rc;
  while ((rc = sqlite3_step(statement.stmt)) == SQLITE_ROW) {
    for (size_t c = 0; c < row.size(); ++c) {
      const int column = static_cast<int>(c);
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement.stmt, column));
      row[c] = text == nullptr
                   ? std::nullopt
                   : std::optional<std::string_view>(
                         std::in_place, text,
                         static_cast<size_t>(sqlite3_column_bytes(statement.stmt, column)));
    }
    QM_RETURN_IF_ERROR(take(row));
  }
  if (rc != SQLITE_DONE) return Refused(sql);
  return Status();
}

bool SqliteConnection::PrepareInsert(std::u16string_view shape, size_t parameters) {
  ForgetInsert();
  const std::string text = unicode::ToUtf8(shape);
  const char* tail = nullptr;
  int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &insert_, &tail);
  if (rc != SQLITE_OK || insert_ == nullptr ||
      !OnlyBlanksAndSemicolons(std::string_view(tail, text.data() + text.size() - tail)) ||
      sqlite3_bind_parameter_count(insert_) != static_cast<int>(parameters)) {
    ForgetInsert();
    return false;
  }
  return true;
}

Status SqliteConnection::RunPrepared(const std::vector<std::u16string_view>& values,
                                     std::u16string_view statement) {
  values_.resize(values.size());
  for (size_t v = 0; v < values.size(); ++v) {
    values_[v].clear();
    unicode::AppendUtf8(values[v], &values_[v]);
    sqlite3_bind_text(insert_, static_cast<int>(v) + 1, values_[v].data(),
                      static_cast<int>(values_[v].size()), SQLITE_STATIC);
  }
  int rc;
  while ((rc = sqlite3_step(insert_)) == SQLITE_ROW) {
  }
  // A failure is read before the reset.
  Status status = rc == SQLITE_DONE ? Status() : Refused(unicode::ToUtf8(statement));
  sqlite3_reset(insert_);
  sqlite3_clear_bindings(insert_);
  return status;
}

void SqliteConnection::ForgetInsert() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
}

Status SqliteConnection::Refused(const std::string& sql) const {
  const int code = sqlite3_extended_errcode(db_);
  const ErrorNumber number = NumberFor(code);
  const char* what = nullptr;
  switch (code) {
    case SQLITE_READONLY_DBMOVED:
      what =
          N_("The database \"%1$s\" was deleted or replaced while the program held it open "
             "(%2$s): %3$s. Try again: the next run opens the file that is there now.");
      break;
    case SQLITE_READONLY_DIRECTORY:
    case SQLITE_CANTOPEN:
      // The database is open: what cannot be opened is the journal SQLite
      // keeps beside it while it changes it.
      what =
          N_("The folder of the database \"%1$s\" does not let the program create files, "
             "and SQLite writes its journal (data.mdb-journal) there while it changes the "
             "database (%2$s): %3$s. Make the folder writable, then try again.");
      break;
    default:
      break;
  }
  switch (what != nullptr ? 0 : code & 0xFF) {
    case 0:
      break;
    case SQLITE_READONLY:
      what =
          N_("The database \"%1$s\" is read-only, so it cannot be changed (%2$s): %3$s. "
             "Make the file writable, then try again.");
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      what = N_("The database \"%1$s\" is damaged (%2$s): %3$s. Replace it with a sound copy.");
      break;
    case SQLITE_FULL:
      what =
          N_("The database \"%1$s\" cannot be changed: the disk is full (%2$s): %3$s. "
             "Free some space, then try again.");
      break;
    case SQLITE_IOERR:
      what = N_("The database \"%1$s\" cannot be read or written (%2$s): %3$s.");
      break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      what =
          N_("The database \"%1$s\" is locked: another run holds it (a collection still "
             "going, say, or another program using it) for longer than this one waits "
             "(%2$s): %3$s. Try again when that run has ended.");
      break;
    default:
      what = number == ErrorNumber::kValueTooLong
                 ? N_("The database \"%1$s\" refused a value longer than its column takes "
                      "(%2$s): %3$s")
                 : N_("The database \"%1$s\" refused the statement (%2$s): %3$s");
      break;
  }
  return Status(number, Fill(Tr(what), data_source_, sqlite3_errmsg(db_), Shorten(sql)));
}

Status SqliteConnection::BeginTrans() {
  if (db_ == nullptr) {
    return Status(ErrorNumber::kConnectionClosed,
                  Tr("The database connection is not open, so no transaction can begin."));
  }
  if (InTransaction()) {
    return Status(ErrorNumber::kStatementFailed, Tr("A transaction is already running."));
  }
  return Execute(u"BEGIN IMMEDIATE", kOptionUnspecified);
}

Status SqliteConnection::CommitTrans() {
  if (!InTransaction()) {
    // SQLite undoes a transaction itself after some failures (a full disk,
    // for one): committing then would claim changes that are gone.
    return Status(ErrorNumber::kStatementFailed,
                  Tr("No transaction is running, so there is nothing to commit."));
  }
  return Execute(u"COMMIT", kOptionUnspecified);
}

Status SqliteConnection::RollbackTrans() {
  if (!InTransaction()) return Status();
  return Execute(u"ROLLBACK", kOptionUnspecified);
}

// BEGIN IMMEDIATE has taken the write lock on the whole database already.
Status SqliteConnection::LockTable(std::string_view /*table*/) { return Status(); }

Status SqliteConnection::Create(const std::string& native_path, std::string_view schema_sql) {
  // Claiming the name first makes "never overwrite" hold even against
  // another program creating the same file at the same moment.
  int fd = ::open(native_path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0 && errno == EEXIST) {
    return Status(ErrorNumber::kFileExists,
                  Fill(Tr("\"%s\" already exists; it is left as it is."), native_path));
  }
  if (fd < 0) return files::ErrnoStatus(errno, N_("create"), native_path);
  ::close(fd);

  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(native_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  const std::string script = "BEGIN;\n" + std::string(schema_sql) + ";\nCOMMIT;";
  char* message = nullptr;
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message);
  Status status;
  if (rc != SQLITE_OK) {
    status = Status(NumberFor(rc), Fill(Tr("Cannot create the database \"%s\": %s."), native_path,
                                        message ? message : sqlite3_errstr(rc)));
  }
  sqlite3_free(message);
  sqlite3_close_v2(db);
  if (!status.ok()) {
    ::unlink(native_path.c_str());
    ::unlink((native_path + "-journal").c_str());
  }
  return status;
}

}  // namespace quillmere::adodb
