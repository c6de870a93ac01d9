// A small ADO-like database component over SQLite and ODBC.
//
// The program talks to its database the way it always has: a connection with
// State, Open(connection string, user id, password, options) and Execute
// (command text, options), returning a recordset. The provider
// "Microsoft.Jet.OLEDB.4.0" opens the Data Source as an SQLite database file
// (data.mdb is such a file; sqlite_connection.h); the provider "MSDASQL"
// opens an ODBC data source through unixODBC (odbc_connection.h).
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "database/database_connection.h"
#include "database/recordset.h"
#include "platform/status.h"

namespace quillmere::adodb {

// Values of State.
inline constexpr long kStateClosed = 0;
inline constexpr long kStateOpen = 1;

class Connection {
 public:
  Connection();   // closed
  ~Connection();  // rolls back a transaction still running
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  long State() const;

  // Opens the database the connection string names.
  //
  // Provider=Microsoft.Jet.OLEDB.4.0: recognised keys (case-insensitive)
  // Provider, Data Source, Persist Security Info, "Jet OLEDB:Database
  // password". A value may be wrapped in double quotes or apostrophes, the
  // quote doubled inside, to hold ';' or quotes. Fails for a missing file
  // (which is never created), a file that is not an SQLite database (a
  // Jet/Access file is named as such), and a password that is not empty.
  //
  // Provider=MSDASQL: the rest of the string goes to the ODBC driver manager
  // as SQLDriverConnect takes it ("DSN=...", "FILEDSN=...", "Driver=...");
  // `user_id` and `password`, when given, as UID and PWD.
  //
  // Fails, leaving the connection closed, for an open connection and any
  // other provider.
  Status Open(std::u16string_view connection_string, std::u16string_view user_id,
              std::u16string_view password, long options);

  // Closes an open connection, rolling back a transaction still running.
  void Close();

  // Whether the open connection can serve another run: false once its
  // data.mdb has been deleted or replaced (SQLite would go on with the file
  // it opened, which nobody can see any more) or its server has gone.
  bool StillServes() const;

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

  // Runs `select` and hands its rows to `take` one at a time, as the
  // database gives them, never holding more than a batch of them: a table of
  // any size is read in the memory of a few rows (on PostgreSQL through a
  // cursor of the server's, inside the running transaction or, outside one,
  // a read-only one of its own). Stops at the first failure of `take` and
  // returns it.
  Status ReadRows(std::u16string_view select, const RowTaker& take);

  // One transaction at a time; the changes between BeginTrans and
  // CommitTrans land together or, after RollbackTrans, not at all.
  // On data.mdb, BeginTrans takes the database's write lock at once, so a
  // database that another program is writing is reported before any work is
  // done; on an ODBC data source it turns autocommit off.
  Status BeginTrans();
  Status CommitTrans();
  Status RollbackTrans();  // nothing to do (and no failure) outside a transaction
  bool InTransaction() const;

  // Inside a transaction: keeps every other connection from changing `table`
  // until the transaction ends (waiting at most the lock timeout for one that
  // holds it), so that two runs at once never mix their rows.
  Status LockTable(std::u16string_view table);

  // How long a statement waits for a database (or table) that another
  // connection has locked before it fails with kDatabaseLocked: by default
  // 3 s on data.mdb and 30 s on an ODBC data source, where the other is
  // usually a colleague's run.
  void SetLockTimeout(std::chrono::milliseconds timeout);

  // The Data Source of the open connection, as a native path, or for an ODBC
  // data source its connection string without the password: what messages
  // name.
  const std::string& data_source() const;
  // The connection string it was opened with, and whether its provider is
  // MSDASQL (ODBC); empty and false when closed.
  const std::u16string& ConnectionString() const { return connection_string_; }
  bool IsOdbc() const { return odbc_; }
  // The database product: "SQLite" for a data.mdb, or what the ODBC driver
  // reports ("PostgreSQL", ...); empty when closed.
  std::string DbmsName() const;

 private:
  std::unique_ptr<DatabaseConnection> open_;
  std::u16string connection_string_;
  bool odbc_ = false;
  std::optional<std::chrono::milliseconds> lock_timeout_;
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
