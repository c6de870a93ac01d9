// A whole run into a real data.mdb on disk: 100,000 rows of 10 columns
// through the conversion, one insert statement per row as it finishes, the
// final select and cc.html, all in one transaction, against its floor: the
// same insert statements run by the sqlite3 shell from one .sql file in one
// transaction. Both are wall-clock times; the ratio is the run's overhead.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/codepage.h"
#include "platform/files.h"
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

// The statements a run executed, as its preview page logs them.
std::string SqlScriptOf(const std::u16string& strTable) {
  BenchFolder folder;
  Status status = ConvertInto(folder, strTable);
  if (!status.ok()) throw std::runtime_error(status.ToString());
  std::string bytes;
  status = files::ReadWholeFile(folder / "cc.html", uint64_t{1} << 31, &bytes);
  if (!status.ok()) throw std::runtime_error(status.ToString());
  const std::u16string page = codepage::DecodeCp936(bytes);
  std::u16string_view log = page;
  log.remove_prefix(log.find(u"</tr></table>") + 13);
  std::string script = "BEGIN;\n";
  for (size_t at = log.find(u"<br>"); at != std::u16string_view::npos;) {
    size_t next = log.find(u"\r\n<br>", at);
    size_t end = next == std::u16string_view::npos ? log.size() - 2 : next;
    script += unicode::ToUtf8(log.substr(at + 4, end - at - 4)) + ";\n";
    at = next == std::u16string_view::npos ? next : next + 2;
  }
  return script + "COMMIT;\n";
}

void BM_SqliteShellFloor(benchmark::State& state) {
  const std::string script = SqlScriptOf(TableOf(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    state.PauseTiming();
    BenchFolder folder;
    std::ofstream(folder / "run.sql", std::ios::binary) << script;
    const std::string command =
        "sqlite3 '" + (folder / "data.mdb") + "' < '" + (folder / "run.sql") + "'";
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("sqlite3 failed");
    state.PauseTiming();
    if (RowsIn(folder) != state.range(0)) state.SkipWithError("sqlite3 left rows out");
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SqliteShellFloor)
    ->Arg(100000)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
