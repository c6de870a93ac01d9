// Fresh `quillmere convert` and `quillmere run` processes, timed from start
// to exit as a user meets them (data.mdb on disk, the commit included), with
// their peak memory, next to the floor: the least a fresh process must do.
//
//   build/bench/whole_process_bench [--benchmark_filter=REGEX]
//
// Jobs, each on both of the benchmarks' tables (word_tables.h: 10 columns,
// the first spanning three rows at a time, a cell spanning two columns in
// every fifth row; short ASCII texts, and with _zh mostly Chinese ones) of
// 10,000, 100,000 and (the ASCII one) 300,000 rows, every row data:
//   convert/ROWS       `quillmere convert` on the table's markup (code page 936)
//   run_doc/ROWS       `quillmere run` on the table as a Word 97-2003 .doc
//   run_docx/ROWS      `quillmere run` on the table as a .docx
//   floor_scan/ROWS    reading the markup and scanning it once
//   floor_insert/ROWS  SQLite inserting the rows a run stores through one
//                      prepared statement in one transaction
// and, on 10, 50, 200 and 510 documents of 20 rows each (.docx and .doc of
// the ASCII table taking turns):
//   collect/DOCUMENTS  `quillmere collect` on the folder holding them
//   collect_append/NEW `quillmere collect --append` on a folder of 500 + NEW
//                      (10) documents, into the data.mdb where a collection
//                      of the first 500 was stored (untimed)
// and, from dt_table of a data.mdb holding the rows a run of the table
// stores (put there untimed by whole_process_floor insert; the mostly
// Chinese table of 10,000, 100,000 and 300,000 rows):
//   export_xlsx_zh/ROWS  `quillmere export FOLDER/out.xlsx`
//   export_csv_zh/ROWS   `quillmere export FOLDER/out.csv`
//   floor_xlsx_zh/ROWS   libxlsxwriter alone writing the same cells
//                        (whole_process_floor xlsx); counter write_s, the
//                        writing alone as it times itself
//   floor_csv_zh/ROWS    `sqlite3 -csv data.mdb "select * from dt_table"`
//                        into a file
// and on 100 and 1,000 filled-in forms of 30 labels (make_word_forms: merged
// cells, check boxes of every kind, .docx and .doc taking turns):
//   forms/DOCUMENTS        `quillmere forms` on the folder, the documents
//                          teaching the labels
//   forms_blank/DOCUMENTS  the same with the blank form (--template)
// A filter such as 'convert/100000/', 'convert_zh/100000/' or '/10000/'
// picks some. Each figure is the median of 3 fresh runs, each in a fresh
// folder holding the empty data.mdb of `quillmere newdb`, made untimed. The
// inputs are made once by make_word_table and kept in
// $TMPDIR/quillmere-whole-process/data.
//
// Counters: input_bytes (the markup, or the document); markup_MB/s (10^6
// bytes) for convert and the floors; peak_MiB, the child's peak resident set
// as wait4 reports it; for convert target_MiB, 3 x the markup + 64 MiB; for
// collect documents and ms_per_document. For
// the runs: page_bytes, the size of the test.html the run wrote, and
// peak_per_page; convert_s, the median time of `quillmere convert` on the
// run's own tabletest.html, and per_convert, the run's time over it; for
// run_docx xml_bytes, the size of word/document.xml, and peak_per_xml. A run
// that fails reports an error, not a time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

enum class Job {
  kConvert,
  kRunDoc,
  kRunDocx,
  kFloorScan,
  kFloorInsert,
  kCollect,
  kCollectAppend,
  kExportXlsx,
  kExportCsv,
  kFloorXlsx,
  kFloorCsv,
  kForms,
  kFormsBlank,
};

bool IsExport(Job job) {
  return job == Job::kExportXlsx || job == Job::kExportCsv || job == Job::kFloorXlsx ||
         job == Job::kFloorCsv;
}

// The rows of every document a collection takes.
constexpr int kRowsPerDocument = 20;
// The documents stored before collect_append adds its new ones.
constexpr int kStoredDocuments = 500;

// Which of the benchmarks' tables, as make_word_table and whole_process_floor
// name it.
using Texts = const char*;
constexpr Texts kAscii = "ascii";
constexpr Texts kChinese = "chinese";

struct Process {
  bool ok = false;
  std::string failure;  // how it ended, when not with status 0
  double seconds = 0;
  double peak_bytes = 0;
  double output_bytes = 0;  // what an export job wrote
};

// Runs `arguments` (the program first) as a child, its standard output
// thrown away (or written to `output`), and waits for it. fork, not posix_spawn: a child spawned
// sharing this process's memory (as vfork does) would be charged this
// process's peak resident set as its own.
Process Run(const std::vector<std::string>& arguments, const std::string& output = "/dev/null") {
  std::vector<std::string> copies = arguments;
  std::vector<char*> argv;
  for (std::string& argument : copies) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int null = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    if (null >= 0) ::dup2(null, STDOUT_FILENO);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  Process run;
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) {
    run.failure = "could not be started";
  } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
    run.ok = true;
  } else {
    run.failure = WIFEXITED(status) ? "exited with status " + std::to_string(WEXITSTATUS(status))
                                    : "was killed by signal " + std::to_string(WTERMSIG(status));
  }
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peak_bytes = static_cast<double>(usage.ru_maxrss) * 1024;
  if (null >= 0) ::close(null);
  return run;
}

fs::path WorkFolder() {
  const char* tmp = ::getenv("TMPDIR");
  return fs::path(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") / "quillmere-whole-process";
}

// The table of `rows` rows as `format` (markup, doc or docx), made the first
// time it is asked for. Empty, with `problem` said, when it cannot be made.
std::string Input(Texts texts, int rows, const std::string& format, std::string* problem) {
  const fs::path data = WorkFolder() / "data";
  const std::string path =
      (data / (std::string(texts) + "-" + std::to_string(rows) + "." + format)).string();
  std::error_code error;
  if (fs::exists(path, error)) return path;
  // Made under another name and renamed, so an interrupted run leaves no
  // part of a table to be taken for the whole.
  const std::string partial = path + ".partial";
  fs::create_directories(data, error);
  const Process made = Run({MAKE_WORD_TABLE_BINARY, texts, std::to_string(rows), format, partial});
  if (made.ok) fs::rename(partial, path, error);
  if (!made.ok || error) {
    *problem = made.ok ? "cannot keep " + path + ": " + error.message()
                       : "make_word_table " + made.failure;
    return {};
  }
  return path;
}

// A folder of `documents` documents of kRowsPerDocument rows, the .docx and
// the .doc of the table taking turns, made the first time it is asked for.
std::string DocumentsFolder(int documents, std::string* problem) {
  const fs::path folder = WorkFolder() / "data" / ("documents-" + std::to_string(documents));
  std::error_code error;
  if (fs::exists(folder, error)) return folder.string();
  const std::string docx = Input(kAscii, kRowsPerDocument, "docx", problem);
  const std::string doc = docx.empty() ? "" : Input(kAscii, kRowsPerDocument, "doc", problem);
  if (doc.empty()) return {};
  const fs::path partial = folder.string() + ".partial";
  fs::remove_all(partial, error);
  fs::create_directories(partial, error);
  for (int d = 0; d < documents && !error; ++d) {
    char name[32];
    std::snprintf(name, sizeof name, "form-%04d.%s", d + 1, d % 2 == 0 ? "docx" : "doc");
    fs::copy_file(d % 2 == 0 ? docx : doc, partial / name, error);
  }
  if (!error) fs::rename(partial, folder, error);
  if (error) {
    *problem = "cannot make " + folder.string() + ": " + error.message();
    return {};
  }
  return folder.string();
}

// A stack of `documents` filled-in forms beside their blank form, made the
// first time it is asked for.
std::string FormsFolder(int documents, std::string* problem) {
  const fs::path folder = WorkFolder() / "data" / ("forms-" + std::to_string(documents));
  std::error_code error;
  if (fs::exists(folder, error)) return folder.string();
  const fs::path partial = folder.string() + ".partial";
  fs::remove_all(partial, error);
  const Process made = Run({MAKE_WORD_FORMS_BINARY, std::to_string(documents), partial.string()});
  if (made.ok) fs::rename(partial, folder, error);
  if (!made.ok || error) {
    *problem = made.ok ? "cannot keep " + folder.string() + ": " + error.message()
                       : "make_word_forms " + made.failure;
    return {};
  }
  return folder.string();
}

// The bytes of the file, or of every file in the folder.
double InputBytes(const std::string& path) {
  if (!fs::is_directory(path)) return static_cast<double>(fs::file_size(path));
  double bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(path)) {
    if (entry.is_regular_file()) bytes += entry.file_size();
  }
  return bytes;
}

// The size of a .docx's word/document.xml, as its ZIP directory gives it.
double MainPartBytes(const std::string& docx) {
  zip_t* archive = zip_open(docx.c_str(), ZIP_RDONLY, nullptr);
  if (archive == nullptr) return 0;
  zip_stat_t stat;
  zip_stat_init(&stat);
  const bool found =
      zip_stat(archive, "word/document.xml", 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) != 0;
  zip_discard(archive);
  return found ? static_cast<double>(stat.size) : 0;
}

// Reads the file (or every file of the folder) once, so that no timed run
// is the first to read it.
void WarmPageCache(const std::string& path) {
  if (fs::is_directory(path)) {
    for (const auto& entry : fs::directory_iterator(path)) WarmPageCache(entry.path().string());
    return;
  }
  std::ifstream in(path, std::ios::binary);
  std::unique_ptr<char[]> piece(new char[1 << 20]);
  while (in.read(piece.get(), 1 << 20)) {
  }
}

// A fresh folder holding an empty data.mdb, and the document as test.doc
// when there is one. Returns an empty string, with `problem` said, on failure.
std::string FreshFolder(const std::string& document, std::string* problem) {
  const fs::path folder = WorkFolder() / "folder";
  std::error_code error;
  fs::remove_all(folder, error);
  fs::create_directories(folder, error);
  Process newdb = Run({QUILLMERE_BINARY, "newdb", folder.string()});
  if (!newdb.ok) {
    *problem = "quillmere newdb " + newdb.failure;
    return {};
  }
  if (!document.empty() &&
      !fs::copy_file(document, folder / "test.doc", fs::copy_options::overwrite_existing, error)) {
    *problem = "cannot copy the document: " + error.message();
    return {};
  }
  return folder.string();
}

// The command `job` times.
std::vector<std::string> Command(Job job, Texts texts, const std::string& input,
                                 const std::string& folder, int rows) {
  switch (job) {
    case Job::kConvert:
      return {QUILLMERE_BINARY, "convert", input, "--folder", folder, "--first-row-data"};
    case Job::kRunDoc:
    case Job::kRunDocx:
      return {QUILLMERE_BINARY, "run", folder, "--first-row-data"};
    case Job::kFloorScan:
      return {WHOLE_PROCESS_FLOOR_BINARY, "scan", input};
    case Job::kFloorInsert:
      return {WHOLE_PROCESS_FLOOR_BINARY, "insert", folder, texts, std::to_string(rows)};
    case Job::kCollect:
      return {QUILLMERE_BINARY, "collect", input, "--folder", folder, "--first-row-data"};
    case Job::kCollectAppend:
      return {QUILLMERE_BINARY, "collect",          input,     "--folder",
              folder,           "--first-row-data", "--append"};
    case Job::kExportXlsx:
      return {QUILLMERE_BINARY, "export", folder + "/out.xlsx", "--folder", folder};
    case Job::kExportCsv:
      return {QUILLMERE_BINARY, "export", folder + "/out.csv", "--folder", folder};
    case Job::kFloorXlsx:
      return {WHOLE_PROCESS_FLOOR_BINARY, "xlsx", folder + "/out.xlsx", texts,
              std::to_string(rows)};
    case Job::kFloorCsv:
      return {"/usr/bin/sqlite3", "-csv", folder + "/data.mdb", "select * from dt_table"};
    case Job::kForms:
      return {QUILLMERE_BINARY, "forms", input + "/filled", "--folder", folder};
    case Job::kFormsBlank:
      return {QUILLMERE_BINARY, "forms",      input + "/filled",    "--folder",
              folder,           "--template", input + "/blank.docx"};
  }
  return {};
}

// One fresh run of `job`: its folder made, its input read once, then timed.
// Returns false, with `problem` said, when any of it fails.
bool TimeOnce(Job job, Texts texts, const std::string& input, int rows, Process* run,
              std::string* problem) {
  std::string folder;
  if (job != Job::kFloorScan) {
    const bool document = job == Job::kRunDoc || job == Job::kRunDocx;
    folder = FreshFolder(document ? input : "", problem);
    if (folder.empty()) return false;
  }
  if (job == Job::kCollectAppend) {
    // The collection added to: the folder's first documents, each named as
    // the folder names it.
    std::vector<std::string> first = {QUILLMERE_BINARY, "collect"};
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(input)) names.push_back(entry.path().string());
    std::sort(names.begin(), names.end());
    first.insert(first.end(), names.begin(), names.begin() + kStoredDocuments);
    first.insert(first.end(), {"--folder", folder, "--first-row-data"});
    const Process stored = Run(first);
    if (!stored.ok) {
      *problem = "the first collection " + stored.failure;
      return false;
    }
    WarmPageCache(folder + "/data.mdb");
    WarmPageCache(input);
  } else if (IsExport(job) && job != Job::kFloorXlsx) {
    // The table to export, put into the fresh data.mdb untimed.
    const Process filled = Run(Command(Job::kFloorInsert, texts, input, folder, rows));
    if (!filled.ok) {
      *problem = "whole_process_floor insert " + filled.failure;
      return false;
    }
    WarmPageCache(folder + "/data.mdb");
  } else {
    WarmPageCache(input);
  }
  const std::vector<std::string> command = Command(job, texts, input, folder, rows);
  *run = Run(command, job == Job::kFloorCsv    ? folder + "/out.csv"
                      : job == Job::kFloorXlsx ? folder + "/floor.txt"
                                               : "/dev/null");
  if (run->ok) return true;
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.2f", run->seconds);
  *problem = fs::path(command[0]).filename().string() + " " + command[1] + " " + run->failure +
             " after " + seconds + " s";
  return false;
}

// The time the xlsx floor took to write, as it timed itself.
double FloorWriteSeconds() {
  std::ifstream in(WorkFolder() / "folder" / "floor.txt");
  std::string word;
  double seconds = 0;
  in >> word >> seconds;
  return seconds;
}

// The size of the file an export job wrote.
double OutputBytes(Job job) {
  const bool xlsx = job == Job::kExportXlsx || job == Job::kFloorXlsx;
  std::error_code error;
  const uintmax_t bytes =
      fs::file_size(WorkFolder() / "folder" / (xlsx ? "out.xlsx" : "out.csv"), error);
  return error ? 0 : static_cast<double>(bytes);
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// The medians of kRuns fresh runs of `job`. False, with `problem` said, when
// one fails.
constexpr int kRuns = 3;
bool TimeMedians(Job job, Texts texts, const std::string& input, int rows, Process* medians,
                 std::string* problem, double* write_seconds = nullptr) {
  std::vector<double> seconds, peaks, writes;
  for (int i = 0; i < kRuns; ++i) {
    Process run;
    if (!TimeOnce(job, texts, input, rows, &run, problem)) return false;
    seconds.push_back(run.seconds);
    peaks.push_back(run.peak_bytes);
    if (job == Job::kFloorXlsx) writes.push_back(FloorWriteSeconds());
    if (IsExport(job)) medians->output_bytes = OutputBytes(job);
  }
  medians->seconds = Median(seconds);
  medians->peak_bytes = Median(peaks);
  if (write_seconds != nullptr && !writes.empty()) *write_seconds = Median(writes);
  return true;
}

double FileBytes(const fs::path& path) {
  std::error_code error;
  const uintmax_t bytes = fs::file_size(path, error);
  return error ? 0 : static_cast<double>(bytes);
}

// After a run: the size of its test.html, and the median time of
// `quillmere convert` on its tabletest.html (kept aside, as the next fresh
// folder removes it).
bool MeasureRunPage(Texts texts, int rows, bool docx, benchmark::State& state, double time,
                    double peak, std::string* problem) {
  const fs::path folder = WorkFolder() / "folder";
  const double page_bytes = FileBytes(folder / "test.html");
  const fs::path table = WorkFolder() / "data" /
                         (std::string(texts) + "-" + std::to_string(rows) +
                          (docx ? "-docx" : "-doc") + ".tabletest.html");
  std::error_code error;
  fs::copy_file(folder / "tabletest.html", table, fs::copy_options::overwrite_existing, error);
  if (error || page_bytes == 0) {
    *problem = "the run left no test.html and tabletest.html";
    return false;
  }
  Process convert;
  if (!TimeMedians(Job::kConvert, texts, table.string(), rows, &convert, problem)) return false;
  fs::remove(table, error);
  state.counters["page_bytes"] = page_bytes;
  state.counters["peak_per_page"] = peak / page_bytes;
  state.counters["convert_s"] = convert.seconds;
  state.counters["per_convert"] = time / convert.seconds;
  return true;
}

// Each figure is the median of kRuns fresh runs, taken here rather than by
// the library's repetitions, whose aggregates leave out a failed repetition.
void WholeProcess(benchmark::State& state, Job job, Texts texts) {
  constexpr double kMiB = 1 << 20;
  const int rows = static_cast<int>(state.range(0));  // documents, for collect
  const bool docx = job == Job::kRunDocx, doc = job == Job::kRunDoc;
  const bool forms = job == Job::kForms || job == Job::kFormsBlank;
  const bool append = job == Job::kCollectAppend;
  const bool collect = job == Job::kCollect || append || forms;
  std::string problem;
  const char* format = docx ? "docx" : doc ? "doc" : "markup";
  const std::string input = IsExport(job) ? ""
                            : forms       ? FormsFolder(rows, &problem)
                            : append      ? DocumentsFolder(kStoredDocuments + rows, &problem)
                            : collect     ? DocumentsFolder(rows, &problem)
                                          : Input(texts, rows, format, &problem);
  if (input.empty() && !IsExport(job)) {
    state.SkipWithError(problem.c_str());
    return;
  }
  const double input_bytes = input.empty() ? 0 : InputBytes(input);
  for (auto _ : state) {
    Process medians;
    double write_seconds = 0;
    if (!TimeMedians(job, texts, input, rows, &medians, &problem, &write_seconds) ||
        ((doc || docx) && !MeasureRunPage(texts, rows, docx, state, medians.seconds,
                                          medians.peak_bytes, &problem))) {
      state.SkipWithError(problem.c_str());
      break;
    }
    const double time = medians.seconds, peak = medians.peak_bytes;
    state.SetIterationTime(time);
    state.counters["peak_MiB"] = peak / kMiB;
    if (IsExport(job)) {
      state.counters["output_bytes"] = medians.output_bytes;
      if (job == Job::kFloorXlsx) state.counters["write_s"] = write_seconds;
      continue;
    }
    state.counters["input_bytes"] = input_bytes;
    if (!docx && !doc && !collect) state.counters["markup_MB/s"] = input_bytes / 1e6 / time;
    if (collect) {
      state.counters["documents"] = rows;
      state.counters["ms_per_document"] = time * 1000 / rows;
    }
    if (job == Job::kConvert) state.counters["target_MiB"] = (3 * input_bytes + 64 * kMiB) / kMiB;
    if (docx) {
      const double xml_bytes = MainPartBytes(input);
      state.counters["xml_bytes"] = xml_bytes;
      state.counters["peak_per_xml"] = peak / xml_bytes;
    }
  }
  std::error_code error;
  fs::remove_all(WorkFolder() / "folder", error);
}

[[maybe_unused]] const bool kRegistered = [] {
  const std::pair<const char*, Job> jobs[] = {{"convert", Job::kConvert},
                                              {"run_doc", Job::kRunDoc},
                                              {"run_docx", Job::kRunDocx},
                                              {"floor_scan", Job::kFloorScan},
                                              {"floor_insert", Job::kFloorInsert}};
  for (Texts texts : {kAscii, kChinese}) {
    for (const auto& [name, job] : jobs) {
      const std::string full = std::string(name) + (texts == kChinese ? "_zh" : "");
      auto* registered = benchmark::RegisterBenchmark(full.c_str(), WholeProcess, job, texts);
      registered->Arg(10000)->Arg(100000);
      // The mostly-Chinese .docx of 300,000 rows would hold a document part
      // larger than a part may be (read_limits.h).
      if (texts == kAscii) registered->Arg(300000);
      registered->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);
    }
  }
  const std::pair<const char*, Job> exports[] = {{"export_xlsx_zh", Job::kExportXlsx},
                                                 {"floor_xlsx_zh", Job::kFloorXlsx},
                                                 {"export_csv_zh", Job::kExportCsv},
                                                 {"floor_csv_zh", Job::kFloorCsv}};
  for (const auto& [name, job] : exports) {
    benchmark::RegisterBenchmark(name, WholeProcess, job, kChinese)
        ->Arg(10000)
        ->Arg(100000)
        ->Arg(300000)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
  }
  benchmark::RegisterBenchmark("collect", WholeProcess, Job::kCollect, kAscii)
      ->Arg(10)
      ->Arg(50)
      ->Arg(200)
      ->Arg(kStoredDocuments + 10)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
  benchmark::RegisterBenchmark("collect_append", WholeProcess, Job::kCollectAppend, kAscii)
      ->Arg(10)
      ->UseManualTime()
      ->Iterations(1)
      ->Unit(benchmark::kSecond);
  for (const auto& [name, job] :
       {std::pair{"forms", Job::kForms}, {"forms_blank", Job::kFormsBlank}}) {
    benchmark::RegisterBenchmark(name, WholeProcess, job, kChinese)
        ->Arg(100)
        ->Arg(1000)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kSecond);
  }
  return true;
}();

}  // namespace
