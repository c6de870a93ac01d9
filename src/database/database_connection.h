// What an open connection does, whichever provider opened it. The ADO-like
// adodb::Connection hands every call to one of these: an SQLite database file
// (sqlite_connection.h, the Jet provider's data.mdb) or an ODBC data source
// (odbc_connection.h, the MSDASQL provider).
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillmere::adodb {

class Recordset;

// Options -1: the command type (or open option) is left unspecified.
inline constexpr long kOptionUnspecified = -1;

// One row of a select read a row at a time (Connection::ReadRows): each
// value's UTF-8 text, nullopt for NULL. It points into the driver's buffers
// and holds only while the call it is handed to runs.
using RowValues = std::vector<std::optional<std::string_view>>;
using RowTaker = std::function<Status(const RowValues& row)>;

class DatabaseConnection {
 public:
  // Closes the connection, rolling back a transaction still running.
  virtual ~DatabaseConnection() = default;

  // One statement, as Connection::Execute runs it.
  virtual Status Execute(std::u16string_view command_text, long options,
                         std::unique_ptr<Recordset>* result = nullptr) = 0;

  // An insert whose text values stand as "?" in `shape`, `values` bound to
  // them, as Connection::ExecuteWithValues runs it.
  virtual Status ExecuteWithValues(std::u16string_view shape,
                                   const std::vector<std::u16string_view>& values,
                                   std::u16string_view command_text) = 0;

  // A select's rows handed to `take` one at a time, as Connection::ReadRows
  // reads them.
  virtual Status ReadRows(std::u16string_view select, const RowTaker& take) = 0;

  virtual Status BeginTrans() = 0;
  virtual Status CommitTrans() = 0;
  virtual Status RollbackTrans() = 0;
  virtual bool InTransaction() const = 0;

  // Inside a transaction: keeps every other connection from changing `table`
  // until the transaction ends, waiting at most the lock timeout for one
  // that holds it. Two runs at once then never mix their rows.
  virtual Status LockTable(std::string_view table) = 0;
  virtual void SetLockTimeout(std::chrono::milliseconds timeout) = 0;

  // False once the connection cannot serve another run: its data.mdb deleted
  // or replaced, or its server gone. The next run then connects anew.
  virtual bool StillServes() const = 0;

  // The data source as messages name it (a path, or the connection string
  // without its password).
  virtual const std::string& data_source() const = 0;
  // The database product: "SQLite" for a data.mdb, or what an ODBC driver
  // reports ("PostgreSQL", ...).
  virtual std::string DbmsName() const = 0;
};

// Statement helpers both connections use.

// The statement begins with `word` (lowercase), in any case, after blanks.
bool BeginsWith(std::string_view sql, std::string_view word);
bool BeginsWith(std::u16string_view sql, std::string_view word);
inline bool IsInsert(std::u16string_view sql) { return BeginsWith(sql, "insert"); }
// Whether an insert can run with `values` bound to the "?"s of `shape`:
// it is an insert, and neither it nor a value holds a NUL, which the text
// of a parameter cannot carry. Otherwise the statement's text is run.
bool CanBindValues(std::u16string_view shape, const std::vector<std::u16string_view>& values);

// Fails for a statement that holds a NUL character, which no database takes.
Status RefuseNul(std::u16string_view statement);
// `statement` without the semicolons and blanks at its end.
std::string WithoutFinalSemicolons(std::string_view statement);
// A statement short enough for a message, cut at a character boundary.
std::string Shorten(const std::string& statement);

}  // namespace quillmere::adodb
