// A whole run into a real data.mdb on disk, in a process that is already
// running: 100,000 rows of 10 columns through the conversion, one insert
// statement per row as it finishes, the final select and cc.html, all in one
// transaction, against its floor: SQLite inserting the same rows through one
// prepared statement in one transaction. Both are wall-clock times; the
// ratio is the run's overhead. (whole_process_bench times fresh processes.)
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>

#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/program_paths.h"
#include "word_tables.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

// A folder holding a fresh data.mdb with the default dt_table.
class BenchFolder {
 public:
  BenchFolder() {
    char name[] = "/tmp/quillmere-bench-XXXXXX";
    path_ = mkdtemp(name);
    Status made = CreateDataMdb(u16(), kDefaultColumns);
    if (!made.ok()) throw std::runtime_error(made.ToString());
  }
  ~BenchFolder() { fs::remove_all(path_); }
  std::u16string u16() const { return files::ProgramPath(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

Status ConvertInto(const BenchFolder& folder, const std::u16string& strTable) {
  FormState form;
  form.strTable = strTable;
  form.strTableFirstLine = true;  // every row is data
  NoBrowser browser;
  SilentProgress label;
  QM_RETURN_IF_ERROR(OpenDataMdb(form, folder.u16()));
  return ReplaceDtTable(form, [&] { return Command3_Click(form, folder.u16(), browser, label); });
}

int64_t RowsIn(const BenchFolder& folder) {
  FormState form;
  std::unique_ptr<adodb::Recordset> rs;
  if (!OpenDataMdb(form, folder.u16()).ok()) return -1;
  if (!form.cn->Execute(u"select count(*) from dt_table", -1, &rs).ok()) return -1;
  return std::stoll(unicode::ToUtf8(*rs->Value(0, 0)));
}

void BM_RunIntoDataMdb(benchmark::State& state) {
  const std::u16string strTable = TableOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    state.PauseTiming();
    BenchFolder folder;
    state.ResumeTiming();
    Status status = ConvertInto(folder, strTable);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
    state.PauseTiming();
    if (RowsIn(folder) != state.range(0)) state.SkipWithError("rows left out");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));  // rows
}
BENCHMARK(BM_RunIntoDataMdb)
    ->Arg(100000)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same rows inserted by SQLite alone: one prepared statement, its values
// bound, one transaction, no conversion, no statement text, no page.
Status InsertRowsAlone(const BenchFolder& folder, int rows) {
  const auto placed = PlaceCells(BenchTable(rows));
  sqlite3* db = nullptr;
  sqlite3_stmt* insert = nullptr;
  std::string sql = "insert into dt_table (field0";
  for (int c = 1; c < kBenchColumns; ++c) sql += ",field" + std::to_string(c);
  sql += ") values(?";
  for (int c = 1; c < kBenchColumns; ++c) sql += ",?";
  sql += ")";
  bool ok = sqlite3_open_v2((folder / "data.mdb").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
                SQLITE_OK &&
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr) == SQLITE_OK;
  for (size_t r = 0; ok && r < placed.size(); ++r) {
    const std::vector<std::string> values = StoredRow(placed, r);
    for (size_t c = 0; c < values.size(); ++c) {
      sqlite3_bind_text(insert, static_cast<int>(c) + 1, values[c].data(),
                        static_cast<int>(values[c].size()), SQLITE_TRANSIENT);
    }
    ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
  }
  sqlite3_finalize(insert);
  ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok ? Status() : Status(ErrorNumber::kStatementFailed, "the floor's inserts failed");
}

void BM_InsertFloor(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    BenchFolder folder;
    state.ResumeTiming();
    Status status = InsertRowsAlone(folder, rows);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
    state.PauseTiming();
    if (RowsIn(folder) != rows) state.SkipWithError("rows left out");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(BM_InsertFloor)->Arg(100000)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
