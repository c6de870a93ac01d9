// `quillmere run` on a large document, as a fresh process: the wall time and
// the peak memory (resident set) of the whole run, from test.doc to
// dt_table and cc.html. The documents are generated: a table of N rows and
// 6 columns of short Chinese texts, the first column merged down every 3
// rows, as a Word 97-2003 .doc (written by the tests' document builder) and
// as a .docx; the counters give the size of what the reader reads (the .doc
// file, the .docx's word/document.xml) and the peak memory as a multiple of
// it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/document/word97/doc_builder.h"
#include "platform/unicode.h"
#include "support/zip_writer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quillmere::document::testing::DocBuilder;

constexpr int kColumns = 6;
constexpr int kColumnTwips = 1200;

std::u16string CellText(int row, int column) {
  return quillmere::unicode::FromUtf8("单元 " + std::to_string(row) + "." + std::to_string(column));
}

// The .doc; `part_bytes` gets its size.
std::string DocOf(int rows, uint64_t* part_bytes) {
  std::vector<int> edges;
  for (int c = 0; c <= kColumns; ++c) edges.push_back(c * kColumnTwips);
  DocBuilder doc;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < kColumns; ++c) doc.Text(CellText(r, c)).EndCell();
    std::vector<uint16_t> flags(kColumns, 0);
    flags[0] = r % 3 == 0 ? 0x0060 : 0x0020;  // restart, continue
    doc.EndRow(edges, flags);
  }
  doc.EndParagraph();
  std::string bytes = doc.Build();
  *part_bytes = bytes.size();
  return bytes;
}

// The .docx; `part_bytes` gets the size of its main part.
std::string DocxOf(int rows, uint64_t* part_bytes) {
  namespace t = quillmere::document::testing;
  std::string xml = t::DocumentXml(t::TableXml(rows, kColumns));
  *part_bytes = xml.size();
  return t::ZipBytes({{"word/document.xml", xml}});
}

struct Run {
  bool ok = false;
  double seconds = 0;
  double peak_bytes = 0;
};

// Runs quillmere with `arguments` as a child and waits for it.
Run RunQuillmere(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  std::string program = QUILLMERE_BINARY;
  argv.push_back(program.data());
  std::vector<std::string> copies = arguments;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  Run run;
  if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) == child) {
      run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      run.peak_bytes = static_cast<double>(usage.ru_maxrss) * 1024;
    }
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  posix_spawn_file_actions_destroy(&actions);
  return run;
}

void RunOnLargeDocument(benchmark::State& state, bool docx) {
  const int rows = static_cast<int>(state.range(0));
  char name[] = "/tmp/quillmere-bench-XXXXXX";
  const std::string dir = mkdtemp(name);
  uint64_t part_bytes = 0;
  {
    std::string bytes = docx ? DocxOf(rows, &part_bytes) : DocOf(rows, &part_bytes);
    std::ofstream(dir + "/test.doc", std::ios::binary) << bytes;
  }
  for (auto _ : state) {
    fs::remove(dir + "/data.mdb");
    if (!RunQuillmere({"newdb", dir}).ok) {
      state.SkipWithError("quillmere newdb failed");
      break;
    }
    Run run = RunQuillmere({"run", dir});
    if (!run.ok) {
      state.SkipWithError("quillmere run failed");
      break;
    }
    state.SetIterationTime(run.seconds);
    state.counters["peak_MB"] = run.peak_bytes / (1 << 20);
    state.counters["part_MB"] = static_cast<double>(part_bytes) / (1 << 20);
    state.counters["peak_per_part"] = run.peak_bytes / static_cast<double>(part_bytes);
  }
  state.counters["file_MB"] = static_cast<double>(fs::file_size(dir + "/test.doc")) / (1 << 20);
  fs::remove_all(dir);
}

void BM_RunDoc(benchmark::State& state) { RunOnLargeDocument(state, false); }
void BM_RunDocx(benchmark::State& state) { RunOnLargeDocument(state, true); }

BENCHMARK(BM_RunDoc)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_RunDocx)->Arg(100000)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
