// The whole start command, from the click to the preview page written:
// test.doc read and saved as test.html, the table cut out, dt_table emptied
// and refilled in one transaction, cc.html written. On the bundled sample
// and on a 2,000-row document; wall-clock time, as the user waits it.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "capture/start_command.h"
#include "document/document_server.h"
#include "output/dt_table.h"
#include "platform/program_paths.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

class Controls : public StartControls {
 public:
  int Combo1ListIndex() const override { return 0; }
  void SetCombo1ListIndex(int) override {}
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return 1; }
};

// A program folder holding `document` as test.doc and an empty data.mdb.
class ProgramFolder {
 public:
  explicit ProgramFolder(const std::string& document) {
    char name[] = "/tmp/quillmere-bench-XXXXXX";
    path_ = mkdtemp(name);
    fs::copy_file(document, path_ + "/test.doc");
    Status made = CreateDataMdb(u16(), kDefaultColumns);
    if (!made.ok()) throw std::runtime_error(made.ToString());
  }
  ~ProgramFolder() { fs::remove_all(path_); }
  std::u16string u16() const { return files::ProgramPath(path_); }

 private:
  std::string path_;
};

void RunStartCommand(benchmark::State& state, const std::string& document) {
  ProgramFolder folder(document);
  document::DocumentServer server;
  Controls controls;
  FormState form;
  NoBrowser browser;
  SilentProgress label;
  for (auto _ : state) {
    StartContext window{folder.u16(), server, controls, form, browser, label};
    Status status = Command1_Click(window);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
  }
  state.counters["rows"] = form.rs ? static_cast<double>(form.rs->RecordCount()) : 0;
}

void BM_StartCommandOnTheSample(benchmark::State& state) {
  RunStartCommand(state, QUILLMERE_SOURCE_DIR "/samples/test.doc");
}
BENCHMARK(BM_StartCommandOnTheSample)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartCommandOn2000Rows(benchmark::State& state) {
  RunStartCommand(state, LARGE_2000_ROWS_DOC);
}
BENCHMARK(BM_StartCommandOn2000Rows)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the document-hosting control does for a click: open the document,
// save it as a web page, close it.
void BM_OpenAndSave2000RowDoc(benchmark::State& state) {
  ProgramFolder folder(LARGE_2000_ROWS_DOC);
  document::DocumentServer server;
  for (auto _ : state) {
    WordDocument* doc = nullptr;
    Status status =
        server.Open(files::DocumentFileName(folder.u16()), true, u"Word.Document", u"", u"");
    if (status.ok()) status = server.ActiveDocument(&doc);
    if (status.ok()) status = doc->SaveAs(files::WebPageFileName(folder.u16()), 8);
    if (status.ok()) status = server.Close();
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
  }
}
BENCHMARK(BM_OpenAndSave2000RowDoc)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quillmere
