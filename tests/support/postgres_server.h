// The private PostgreSQL server that scripts/test-postgres.sh starts (CI does;
// QUILLMERE_TEST_POSTGRES names its folder), reached by the code under test
// through ODBC and by the tests themselves through psql. Without it the tests
// that need it skip, except in CI, where they fail.
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace quillmere::testing {

class PostgresServer {
 public:
  // The server the environment names, if it does.
  static std::optional<PostgresServer> FromEnvironment() {
    const char* dir = std::getenv("QUILLMERE_TEST_POSTGRES");
    if (dir == nullptr || *dir == '\0') return std::nullopt;
    std::ifstream in(std::string(dir) + "/password");
    std::string password;
    std::getline(in, password);
    return PostgresServer(dir, password);
  }

  const std::string& password() const { return password_; }

  // The ODBC entries that reach `database` (without a Provider).
  std::string OdbcString(const std::string& database = "quillmere",
                         const std::string& password = "") const {
    return "Driver={PostgreSQL Unicode};Server=" + dir_ + ";Port=5432;Database=" + database +
           ";UID=quillmere;PWD=" + (password.empty() ? password_ : password);
  }
  std::string ConnectionString(const std::string& database = "quillmere",
                               const std::string& password = "") const {
    return "Provider=MSDASQL;" + OdbcString(database, password);
  }
  // An ODBC file data source (data.dsn) for `database`.
  std::string FileDsn(const std::string& database = "quillmere") const {
    return "[ODBC]\nDRIVER=PostgreSQL Unicode\nSERVER=" + dir_ +
           "\nPORT=5432\nDATABASE=" + database + "\nUID=quillmere\nPWD=" + password_ + "\n";
  }

  // Runs `sql` through psql and returns the rows, values split at '|'.
  // Throws when psql fails.
  std::vector<std::vector<std::string>> Psql(const std::string& sql,
                                             const std::string& database = "quillmere") const {
    const std::string command = "PGPASSWORD='" + password_ +
                                "' psql -X -q -A -t -v ON_ERROR_STOP=1 " + "-h '" + dir_ +
                                "' -U quillmere -d " + database + " -c \"" + sql + "\" 2>&1";
    FILE* out = popen(command.c_str(), "r");
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof(buffer), out)) > 0;) text.append(buffer, n);
    if (pclose(out) != 0) throw std::runtime_error("psql: " + text + " in: " + sql);
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      auto& row = rows.emplace_back();
      std::istringstream values(line);
      for (std::string value; std::getline(values, value, '|');) row.push_back(value);
    }
    return rows;
  }

  // Stops the server (fast: its sessions are ended) and starts it again.
  void Stop() const { Script("stop"); }
  void Start() const { Script("start"); }

 private:
  PostgresServer(std::string dir, std::string password)
      : dir_(std::move(dir)), password_(std::move(password)) {}
  void Script(const std::string& what) const {
    const std::string command =
        QUILLMERE_SOURCE_DIR "/scripts/test-postgres.sh " + what + " '" + dir_ + "' > /dev/null";
    if (std::system(command.c_str()) != 0) throw std::runtime_error(command + " failed");
  }

  std::string dir_;
  std::string password_;
};

// Whether the ODBC driver manager knows the driver `name`.
inline bool HasOdbcDriver(const std::string& name) {
  return std::system(("odbcinst -q -d -n '" + name + "' > /dev/null 2>&1").c_str()) == 0;
}

}  // namespace quillmere::testing

// Ends the test (from its body or SetUp) when there is no test server: a
// skip, or in CI a failure. Leaves `server` (an std::optional) set otherwise.
#define QM_REQUIRE_POSTGRES(server)                                                      \
  do {                                                                                   \
    server = ::quillmere::testing::PostgresServer::FromEnvironment();                    \
    if (server) break;                                                                   \
    const char* qm_why_ =                                                                \
        "no test server: start one with eval \"$(scripts/test-postgres.sh start DIR)\""; \
    if (::quillmere::testing::InCi()) FAIL() << qm_why_ << " (CI starts it)";            \
    GTEST_SKIP() << qm_why_;                                                             \
  } while (0)

// The same for an ODBC driver the driver manager must know.
#define QM_REQUIRE_ODBC_DRIVER(name)                                                   \
  do {                                                                                 \
    if (::quillmere::testing::HasOdbcDriver(name)) break;                              \
    if (::quillmere::testing::InCi()) FAIL() << "no ODBC driver " << name << " in CI"; \
    GTEST_SKIP() << "no ODBC driver " << name << " (scripts/setup.sh installs it)";    \
  } while (0)
