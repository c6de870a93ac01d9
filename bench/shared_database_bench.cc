// 100,000 rows of 10 columns into dt_table of a PostgreSQL server through
// ODBC, beside PostgreSQL's own floor for the same rows. The server is the
// private one of scripts/test-postgres.sh (QUILLMERE_TEST_POSTGRES names its
// folder; the benchmarks use a database of their own, quillmere_bench):
//
//   BM_RunIntoPostgres    a whole run: the conversion, one insert per row
//                         through one prepared statement with its values
//                         bound, the final select and cc.html, one transaction
//   BM_InsertsThroughOdbc the run's insert statements alone, executed through
//                         the connection in one transaction
//   BM_PsqlFloor          psql running the same insert statements from one
//                         file in one transaction
//   BM_CopyFloor          psql's \copy of the same rows in one statement
//
// All are wall-clock times of 100,000 rows.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"
#include "word_tables.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 100000;
const char kFields[] =
    "field0, field1, field2, field3, field4, field5, field6, field7, field8, field9";

// The server, its dt_table, and the rows one run put there, as insert
// statements (statements.sql) and as \copy's text (rows.tsv).
class BenchServer {
 public:
  // Null, saying why in `why`, when there is no server or it cannot be set up.
  static const BenchServer* Get(std::string* why) {
    static std::string failure;
    static const std::optional<BenchServer> server = Make(&failure);
    *why = failure;
    return server ? &*server : nullptr;
  }

  std::u16string ConnectionString() const {
    return unicode::FromUtf8("Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=" + dir_ +
                             ";Port=5432;Database=quillmere_bench;UID=quillmere;PWD=" + password_);
  }
  bool Psql(const std::string& arguments, const std::string& database = "quillmere_bench") const {
    const std::string command = "psql -X -q -v ON_ERROR_STOP=1 -h '" + dir_ + "' -U quillmere -d " +
                                database + " " + arguments;
    return std::system(command.c_str()) == 0;
  }
  bool Empty() const { return Psql("-c 'truncate dt_table'"); }
  std::string operator/(const std::string& name) const { return work_ + "/" + name; }

 private:
  static std::optional<BenchServer> Make(std::string* why);
  bool SetUp(std::string* why) const;

  std::string dir_;
  std::string password_;
  std::string work_;
};

// A run into the server's dt_table, the folder getting its cc.html.
Status RunInto(const BenchServer& server, const std::u16string& strTable) {
  char name[] = "/tmp/quillmere-bench-XXXXXX";
  const std::string folder = mkdtemp(name);
  FormState form;
  form.strTable = strTable;
  form.strTableFirstLine = true;  // every row is data
  form.strConnection = server.ConnectionString();
  NoBrowser browser;
  SilentProgress label;
  const std::u16string app_folder = files::ProgramPath(folder);
  Status status = OpenDataMdb(form, app_folder);
  if (status.ok()) {
    status = ReplaceDtTable(form, [&] { return Command3_Click(form, app_folder, browser, label); });
  }
  fs::remove_all(folder);
  return status;
}

int64_t RowsIn(const BenchServer& server) {
  adodb::Connection cn;
  std::unique_ptr<adodb::Recordset> rs;
  if (!cn.Open(server.ConnectionString(), u"", u"", adodb::kOptionUnspecified).ok()) return -1;
  if (!cn.Execute(u"select count(*) from dt_table", -1, &rs).ok()) return -1;
  return std::stoll(unicode::ToUtf8(*rs->Value(0, 0)));
}

std::optional<BenchServer> BenchServer::Make(std::string* why) {
  const char* dir = std::getenv("QUILLMERE_TEST_POSTGRES");
  if (dir == nullptr || *dir == '\0') {
    *why = "no server: start one with eval \"$(scripts/test-postgres.sh start DIR)\"";
    return std::nullopt;
  }
  BenchServer server;
  server.dir_ = dir;
  std::ifstream(server.dir_ + "/password") >> server.password_;
  setenv("PGPASSWORD", server.password_.c_str(), 1);
  char work[] = "/tmp/quillmere-bench-postgres-XXXXXX";
  server.work_ = mkdtemp(work);
  if (!server.SetUp(why)) return std::nullopt;
  return server;
}

bool BenchServer::SetUp(std::string* why) const {
  // An existing database is kept (create then fails, quietly).
  Psql("-c 'create database quillmere_bench' 2> /dev/null", "postgres");
  std::ofstream(*this / "schema.sql") << "drop table if exists dt_table;\n"
                                      << ServerDtTableSchema(kDefaultColumns) << ";\n";
  if (!Psql("-f '" + *this / "schema.sql" + "'")) {
    *why = "cannot make dt_table in quillmere_bench";
    return false;
  }
  Status run = RunInto(*this, TableOf(kRows));
  if (!run.ok()) {
    *why = run.ToString();
    return false;
  }
  std::string values = "%L";
  for (int f = 1; f < 10; ++f) values += ", %L";
  const std::string statements = "select format('insert into dt_table (" + std::string(kFields) +
                                 ") values(" + values + ");', " + kFields + ") from dt_table";
  std::ofstream(*this / "dump.sql")
      << "\\copy dt_table (" << kFields << ") to '" << *this / "rows.tsv"
      << "'\n"
      << "\\o " << *this / "statements.sql"
      << "\n"
      << statements << ";\n";
  if (!Psql("-A -t -f '" + *this / "dump.sql" + "'")) {
    *why = "cannot write the run's rows out";
    return false;
  }
  return true;
}

// Skips the benchmark when there is no server; else runs it, emptying
// dt_table before each timed `work` and checking every row arrived after it.
template <typename Work>
void Timed(benchmark::State& state, Work work) {
  std::string why;
  const BenchServer* server = BenchServer::Get(&why);
  if (server == nullptr) {
    state.SkipWithError(why.c_str());
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    if (!server->Empty()) state.SkipWithError("cannot empty dt_table");
    state.ResumeTiming();
    work(*server);
    state.PauseTiming();
    if (RowsIn(*server) != kRows) state.SkipWithError("rows left out");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_RunIntoPostgres(benchmark::State& state) {
  const std::u16string strTable = TableOf(kRows);
  Timed(state, [&](const BenchServer& server) {
    Status status = RunInto(server, strTable);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
  });
}

void BM_InsertsThroughOdbc(benchmark::State& state) {
  std::string why;
  const BenchServer* server = BenchServer::Get(&why);
  std::vector<std::u16string> statements;
  std::ifstream in(server == nullptr ? "" : *server / "statements.sql");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) statements.push_back(unicode::FromUtf8(line.substr(0, line.size() - 1)));
  }
  Timed(state, [&](const BenchServer& bench_server) {
    adodb::Connection cn;
    Status status = cn.Open(bench_server.ConnectionString(), u"", u"", -1);
    if (status.ok()) {
      status = RunInTransaction(cn, [&] {
        for (const std::u16string& statement : statements) {
          QM_RETURN_IF_ERROR(cn.Execute(statement, -1));
        }
        return Status();
      });
    }
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
  });
}

void BM_PsqlFloor(benchmark::State& state) {
  Timed(state, [&](const BenchServer& server) {
    if (!server.Psql("-1 -f '" + server / "statements.sql" + "'")) {
      state.SkipWithError("psql failed");
    }
  });
}

void BM_CopyFloor(benchmark::State& state) {
  Timed(state, [&](const BenchServer& server) {
    if (!server.Psql("-c \"\\\\copy dt_table (" + std::string(kFields) + ") from '" +
                     server / "rows.tsv" + "'\"")) {
      state.SkipWithError("psql failed");
    }
  });
}

BENCHMARK(BM_RunIntoPostgres)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertsThroughOdbc)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PsqlFloor)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyFloor)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
