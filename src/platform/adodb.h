// A small ADO-like database component over SQLite.
//
// The program talks to its database the way it always has: a connection with
// State, Open(connection string, user id, password, options) and Execute
// (command text, options), returning a recordset. The provider
// "Microsoft.Jet.OLEDB.4.0" opens the Data Source as an SQLite database file;
// data.mdb is such a file.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

struct sqlite3;

namespace quillmere::adodb {

// Values of State.
inline constexpr long kStateClosed = 0;
inline constexpr long kStateOpen = 1;
// Options -1: the command type (or open option) is left unspecified.
inline constexpr long kOptionUnspecified = -1;

// The rows a statement returned, read whole when it ran.
class Recordset {
 public:
  std::vector<std::u16string> field_names;
  // One entry per row, one value per field; nullopt is SQL NULL.
  std::vector<std::vector<std::optional<std::u16string>>> rows;
};

class Connection {
 public:
  Connection();  // closed
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  long State() const;

  // Opens the database the connection string names. Recognised keys
  // (case-insensitive): Provider, Data Source, Persist Security Info,
  // "Jet OLEDB:Database password" (a value may be wrapped in apostrophes).
  // Fails, leaving the connection closed, for any other provider, a missing
  // file (which is never created), a file that is not an SQLite database,
  // and a password that is not empty.
  Status Open(std::u16string_view connection_string, std::u16string_view user_id,
              std::u16string_view password, long options);

  // Runs one statement. When `result` is given it receives the returned rows
  // (empty for a statement that returns none).
  Status Execute(std::u16string_view command_text, long options,
                 std::unique_ptr<Recordset>* result = nullptr);

  // One transaction at a time; the changes between BeginTrans and
  // CommitTrans land together or, after RollbackTrans, not at all.
  Status BeginTrans();
  Status CommitTrans();
  Status RollbackTrans();
  bool InTransaction() const;

  // The Data Source of the open connection, as a native path.
  const std::string& data_source() const;

 private:
  sqlite3* db_ = nullptr;
  bool in_transaction_ = false;
  std::string data_source_;
};

// The connection a form member holds, created closed on first use.
inline Connection& EnsureCreated(std::unique_ptr<Connection>& cn) {
  if (!cn) cn = std::make_unique<Connection>();
  return *cn;
}

}  // namespace quillmere::adodb
