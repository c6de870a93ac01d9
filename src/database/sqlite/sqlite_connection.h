// A connection to an SQLite database file: what the Jet provider opens
// (data.mdb is such a file).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/database_connection.h"
#include "database/shared_insert.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quillmere::adodb {

class SqliteConnection : public DatabaseConnection, private PreparedInsert {
 public:
  // Opens the database file at `path` (a native path). Fails for a missing
  // file (which is never created) and a file that is not an SQLite database
  // (a Jet/Access file is named as such).
  static Status Open(const std::string& path, std::chrono::milliseconds lock_timeout,
                     std::unique_ptr<DatabaseConnection>* opened);
  // Creates a new database file at `native_path` and runs `schema_sql` in
  // it, as adodb::CreateDatabase does.
  static Status Create(const std::string& native_path, std::string_view schema_sql);
  ~SqliteConnection() override;

  // Inserts share one prepared form (shared_insert.h). A select's rows are
  // counted when it runs and read when first asked for.
  Status Execute(std::u16string_view command_text, long options,
                 std::unique_ptr<Recordset>* result = nullptr) override;
  Status ExecuteWithValues(std::u16string_view shape,
                           const std::vector<std::u16string_view>& values,
                           std::u16string_view command_text) override;
  // The rows come straight from each step of the statement.
  Status ReadRows(std::u16string_view select, const RowTaker& take) override;

  // BeginTrans takes the database's write lock at once, so a database that
  // another program is writing is reported before any work is done.
  Status BeginTrans() override;
  Status CommitTrans() override;
  Status RollbackTrans() override;
  bool InTransaction() const override;
  Status LockTable(std::string_view table) override;
  void SetLockTimeout(std::chrono::milliseconds timeout) override;

  // Whether the file at the path it opened is still the one it holds (the
  // same device and inode). False once it has been deleted or replaced:
  // SQLite goes on with the file it opened, which nobody can see any more.
  bool StillServes() const override;
  const std::string& data_source() const override { return data_source_; }
  std::string DbmsName() const override { return "SQLite"; }

 private:
  SqliteConnection() = default;
  Status Refused(const std::string& sql) const;
  // The shared insert's own statement (shared_insert.h).
  bool PrepareInsert(std::u16string_view shape, size_t parameters) override;
  Status RunPrepared(const std::vector<std::u16string_view>& values,
                     std::u16string_view statement) override;
  void ForgetInsert();
  Status CountRows(const std::string& select, size_t* count);

  sqlite3* db_ = nullptr;
  std::string data_source_;
  // The file it opened: st_dev and st_ino when it was opened.
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  // The shared insert's prepared form, and the values bound to it as UTF-8.
  sqlite3_stmt* insert_ = nullptr;
  std::vector<std::string> values_;
  SharedInsert shared_insert_{*this};
  std::chrono::milliseconds lock_timeout_{3000};
  // Lives as long as the connection; recordsets that read their rows later
  // hold it weakly.
  std::shared_ptr<const bool> open_token_ = std::make_shared<const bool>(true);
};

}  // namespace quillmere::adodb
