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

struct sqlite3;
struct sqlite3_stmt;

namespace quillmere::adodb {

class SqliteConnection : public DatabaseConnection {
 public:
  // Opens the database file at `path` (a native path). Fails for a missing
  // file (which is never created) and a file that is not an SQLite database
  // (a Jet/Access file is named as such).
  static Status Open(const std::string& path, std::chrono::milliseconds lock_timeout,
                     std::unique_ptr<DatabaseConnection>* opened);
  ~SqliteConnection() override;

  // Inserts that differ only in their text values (one per table row) share
  // one prepared form, the values bound to it, which spares compiling every
  // statement anew; what each one does and reports is the same.
  // A select's rows are counted when it runs and read when first asked for.
  Status Execute(std::u16string_view command_text, long options,
                 std::unique_ptr<Recordset>* result = nullptr) override;
  Status ExecuteWithValues(std::u16string_view shape,
                           const std::vector<std::u16string_view>& values,
                           std::u16string_view command_text) override;

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
  // Lives as long as the connection; recordsets that read their rows later
  // hold it weakly.
  std::shared_ptr<const bool> open_token_ = std::make_shared<const bool>(true);
};

}  // namespace quillmere::adodb
