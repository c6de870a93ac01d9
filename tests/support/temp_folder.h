// A fresh folder under /tmp for one test, removed with everything in it when
// the test ends, and a plain SQLite reader to look into databases there
// without going through the code under test.
#pragma once

#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"

namespace quillmere::testing {

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/quillmere-test-XXXXXX";
    if (mkdtemp(name) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // The folder in the program's form, as the commands take it.
  std::u16string u16() const { return files::ProgramPath(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(*this / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(*this / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Has(const std::string& name) const { return std::filesystem::exists(*this / name); }

 private:
  std::string path_;
};

// Runs `sql` on the database file and returns its rows, each value as text
// and NULL as "NULL". Throws on failure, so a test sees it at once.
inline std::vector<std::vector<std::string>> Query(const std::string& db_path,
                                                   const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::vector<std::string>> rows;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + db_path);
  }
  char* error = nullptr;
  auto collect = [](void* out, int n, char** values, char**) {
    auto& result = *static_cast<std::vector<std::vector<std::string>>*>(out);
    auto& row = result.emplace_back();
    for (int c = 0; c < n; ++c) row.push_back(values[c] ? values[c] : "NULL");
    return 0;
  };
  int rc = sqlite3_exec(db, sql.c_str(), collect, &rows, &error);
  std::string message = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(message + " in: " + sql);
  return rows;
}

// Another program's connection to the same database, held open by the test.
class OtherConnection {
 public:
  explicit OtherConnection(const std::string& db_path) {
    sqlite3_open_v2(db_path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
  }
  ~OtherConnection() { sqlite3_close(db_); }
  OtherConnection(const OtherConnection&) = delete;
  OtherConnection& operator=(const OtherConnection&) = delete;

  void Run(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    std::string message = error ? error : "";
    sqlite3_free(error);
    if (rc != SQLITE_OK) throw std::runtime_error(message + " in: " + sql);
  }

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace quillmere::testing
