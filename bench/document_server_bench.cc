// Opening a .docx with a 2,000-row table and saving it as a web page, as the
// start command has the document server do, from file to file.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>

#include "document/document_server.h"
#include "platform/encoding/unicode.h"
#include "support/zip_writer.h"

namespace quillmere::document {
namespace {

void BM_OpenAndSaveAsWebPage(benchmark::State& state) {
  char name[] = "/tmp/quillmere-bench-XXXXXX";
  const std::string dir = mkdtemp(name);
  const std::string docx = dir + "/test.doc";
  const int rows = static_cast<int>(state.range(0));
  if (!testing::WriteDocx(docx, testing::DocumentXml(testing::TableXml(rows, 6)))) {
    state.SkipWithError("cannot write the document");
    return;
  }
  DocumentServer server;
  for (auto _ : state) {
    Status status = server.Open(unicode::FromUtf8(docx), true, u"Word.Document", u"", u"");
    WordDocument* document = nullptr;
    if (status.ok()) status = server.ActiveDocument(&document);
    if (status.ok()) status = document->SaveAs(unicode::FromUtf8(dir + "\\\\test.html"), 8);
    if (status.ok()) status = server.Close();
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.counters["docx_bytes"] = static_cast<double>(std::filesystem::file_size(docx));
  state.counters["page_bytes"] =
      static_cast<double>(std::filesystem::file_size(dir + "/test.html"));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_OpenAndSaveAsWebPage)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere::document
