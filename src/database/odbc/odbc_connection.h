// A connection to an ODBC data source through the unixODBC driver manager:
// what the provider MSDASQL opens. The rest of the connection string goes to
// SQLDriverConnect as it stands ("DSN=...", "FILEDSN=...", or
// "Driver={PostgreSQL Unicode};Server=...;Database=...").
//
// Statements run as text; inserts that differ only in their text values share
// one prepared statement, the values bound to it. A transaction is the driver
// manager's autocommit turned off until it commits or rolls back. A failure's
// number and description come from the driver's diagnostic records (their
// SQLSTATEs and texts), and name the data source without its password.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/database_connection.h"
#include "database/shared_insert.h"

namespace quillmere::adodb {

class OdbcConnection : public DatabaseConnection, private PreparedInsert {
 public:
  // Connects with `connection_string` (a Provider entry in it is left out)
  // and, when they are not empty, `user_id` and `password` as UID and PWD.
  static Status Open(std::u16string_view connection_string, std::u16string_view user_id,
                     std::u16string_view password, std::unique_ptr<DatabaseConnection>* opened);
  ~OdbcConnection() override;

  Status Execute(std::u16string_view command_text, long options,
                 std::unique_ptr<Recordset>* result) override;
  Status ExecuteWithValues(std::u16string_view shape,
                           const std::vector<std::u16string_view>& values,
                           std::u16string_view command_text) override;
  Status ReadRows(std::u16string_view select, const RowTaker& take) override;
  Status BeginTrans() override;
  Status CommitTrans() override;
  Status RollbackTrans() override;
  bool InTransaction() const override { return in_transaction_; }
  Status LockTable(std::string_view table) override;
  void SetLockTimeout(std::chrono::milliseconds timeout) override { lock_timeout_ = timeout; }
  bool StillServes() const override;
  const std::string& data_source() const override { return data_source_; }
  std::string DbmsName() const override { return dbms_; }

 private:
  OdbcConnection() = default;
  // SQLDriverConnect(W) with `odbc`; the SQLRETURN.
  int Connect(const std::string& odbc, bool file_dsn);
  // Whether the connected driver's file name starts with `file_name_start`
  // (lower case).
  bool DriverIs(std::string_view file_name_start) const;
  // Runs `sql` as it stands: a select whose rows are wanted as Select does,
  // anything else whole.
  Status Run(const std::string& sql, std::unique_ptr<Recordset>* result = nullptr);
  Status RunWhole(const std::string& sql, const std::string& shown,
                  std::unique_ptr<Recordset>* result);
  Status Select(const std::string& sql, std::unique_ptr<Recordset>* result);
  Status Describe(void* statement, const std::string& shown, std::vector<std::string>* names);
  Status Fetch(void* statement, size_t columns, const std::string& shown, std::string* text,
               std::vector<uint64_t>* ends, size_t* count);
  Status FetchEach(const std::string& sql, const std::string& shown, const RowTaker& take,
                   size_t* fetched);
  // The shared insert's own statement (shared_insert.h).
  bool PrepareInsert(std::u16string_view shape, size_t parameters) override;
  Status RunPrepared(const std::vector<std::u16string_view>& values,
                     std::u16string_view statement) override;
  Status EndTransaction(short completion);
  // The failure the last call on `handle` (a statement handle, or the
  // connection's when null) reported, for the statement `sql`.
  Status Refused(void* statement, const std::string& sql);

  void* env_ = nullptr;
  void* dbc_ = nullptr;
  std::string data_source_;
  std::string password_;  // only to keep it out of messages
  std::string dbms_;
  bool in_transaction_ = false;
  bool lost_ = false;
  std::chrono::milliseconds lock_timeout_{30000};
  // The shared insert's statement handle, and the lengths of the values
  // bound to it.
  void* insert_ = nullptr;
  std::vector<long> lengths_;
  SharedInsert shared_insert_{*this};
  // Lives as long as the connection; recordsets that read their rows later
  // hold it weakly.
  std::shared_ptr<const bool> open_token_ = std::make_shared<const bool>(true);
};

}  // namespace quillmere::adodb
