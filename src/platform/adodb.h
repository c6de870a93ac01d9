// A small ADO-like database component over SQLite.
//
// The program talks to its database the way it always has: a connection with
// State, Open(connection string, user id, password, options) and Execute
// (command text, options), returning a recordset. The provider
// "Microsoft.Jet.OLEDB.4.0" opens the Data Source as an SQLite database file;
// data.mdb is such a file.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quillmere::adodb {

// Values of State.
inline constexpr long kStateClosed = 0;
inline constexpr long kStateOpen = 1;
// Options -1: the command type (or open option) is left unspecified.
inline constexpr long kOptionUnspecified = -1;

// The rows a statement returned. It holds no lock on the database. A
// select's rows are read only when a value is first asked for (the final
// select of a run is mostly only counted): RecordCount is exact from the
// start, counted when the statement ran; the values are read then, as the
// table stands at that moment, which in this program is as it stood when the
// statement ran. Any other statement's rows are read whole when it runs.
class Recordset {
 public:
  size_t FieldCount() const { return names_.size(); }
  size_t RecordCount() const { return count_; }
  std::u16string FieldName(size_t field) const;
  // The value of one field of one record; nullopt is SQL NULL. Throws
  // std::out_of_range for a record or field it does not have, and
  // std::runtime_error when its rows can no longer be read (the connection
  // closed first, or the table changed its number of rows).
  std::optional<std::u16string> Value(size_t record, size_t field) const;

 private:
  friend class Connection;
  static constexpr uint64_t kNullBit = uint64_t{1} << 63;
  void ReadRows() const;
  std::vector<std::string> names_;
  size_t count_ = 0;
  // Rows not read yet: the select that gives them, on the connection that
  // ran it, while that connection stays open (`open` has not expired).
  std::string unread_select_;
  sqlite3* db_ = nullptr;
  std::weak_ptr<const bool> open_;
  // Every value's UTF-8 text, end to end, and where each one ends, record by
  // record; kNullBit marks a NULL. One buffer keeps a large table cheap.
  mutable std::string text_;
  mutable std::vector<uint64_t> ends_;
};

class Connection {
 public:
  Connection();   // closed
  ~Connection();  // rolls back a transaction still running
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  long State() const;

  // Opens the database the connection string names. Recognised keys
  // (case-insensitive): Provider, Data Source, Persist Security Info,
  // "Jet OLEDB:Database password". A value may be wrapped in double quotes
  // or apostrophes, the quote doubled inside, to hold ';' or quotes.
  // Fails, leaving the connection closed, for an open connection, any other
  // provider, a missing file (which is never created), a file that is not an
  // SQLite database (a Jet/Access file is named as such), and a password that
  // is not empty.
  Status Open(std::u16string_view connection_string, std::u16string_view user_id,
              std::u16string_view password, long options);

  // Closes an open connection, rolling back a transaction still running.
  void Close();

  // Whether the file at the Data Source's path is still the one the open
  // connection holds (the same device and inode). False once it has been
  // deleted or replaced: SQLite goes on with the file it opened, which
  // nobody can see any more.
  bool HoldsFileAtDataSource() const;

  // Runs one statement. When `result` is given it receives the returned rows
  // (none for a statement that returns none).
  //
  // Inserts that differ only in their text values (one per table row) share
  // one prepared form, the values bound to it, which spares compiling every
  // statement anew; what each one does and reports is the same.
  Status Execute(std::u16string_view command_text, long options,
                 std::unique_ptr<Recordset>* result = nullptr);

  // Runs `shape`, a statement whose text values stand as "?" parameters,
  // with `values` bound to them in order: what Execute(command_text) does
  // and reports, `command_text` being the statement with the values written
  // in as literals, without its text being built for the database or read
  // back. Inserts share one prepared form as with Execute.
  Status ExecuteWithValues(std::u16string_view shape,
                           const std::vector<std::u16string_view>& values,
                           std::u16string_view command_text);

  // One transaction at a time; the changes between BeginTrans and
  // CommitTrans land together or, after RollbackTrans, not at all.
  // BeginTrans takes the database's write lock at once, so a database that
  // another program is writing is reported before any work is done.
  Status BeginTrans();
  Status CommitTrans();
  Status RollbackTrans();  // nothing to do (and no failure) outside a transaction
  bool InTransaction() const;

  // How long a statement waits for a database that another connection has
  // locked before it fails with kDatabaseLocked.
  void SetLockTimeout(std::chrono::milliseconds timeout);

  // The Data Source of the open connection, as a native path.
  const std::string& data_source() const;

 private:
  Status Refused(const std::string& sql) const;
  bool RunInSharedForm(const std::string& sql, Status* status);
  bool PrepareSharedForm(const std::string& shape, size_t parameters);
  int StepSharedForm();
  void ResetSharedForm();
  void ForgetSharedForm();
  Status CountRows(const std::string& select, size_t* count);

  sqlite3* db_ = nullptr;
  std::string data_source_;
  // The file it opened: st_dev and st_ino when it was opened.
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  // The last insert's prepared form, its text, and the current values.
  sqlite3_stmt* shared_ = nullptr;
  std::string shared_shape_;
  std::string shape_;
  std::vector<std::string> values_;
  std::chrono::milliseconds lock_timeout_{3000};
  // Lives while db_ is open; recordsets that read their rows later hold it
  // weakly. Reset it wherever db_ is closed.
  std::shared_ptr<const bool> open_token_;
};

// The connection a form member holds, created closed on first use.
inline Connection& EnsureCreated(std::unique_ptr<Connection>& cn) {
  if (!cn) cn = std::make_unique<Connection>();
  return *cn;
}

// Creates a new SQLite database file at `native_path` and runs `schema_sql`
// (one or more statements) in it. Refuses, with kFileExists, when anything
// already stands at that path, and leaves no file behind when it fails.
Status CreateDatabase(const std::string& native_path, std::string_view schema_sql);

}  // namespace quillmere::adodb
