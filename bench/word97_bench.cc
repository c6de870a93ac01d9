// Reading a 2,000-row Word 97-2003 document (made by LibreOffice, see
// tests/platform/document/word97/data/make_fixtures.sh) into the document model.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/document/word97/reader.h"

namespace {

std::string ReadAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void BM_ReadWord97TwoThousandRows(benchmark::State& state) {
  std::string bytes = ReadAll(LARGE_2000_ROWS_DOC);
  if (bytes.empty()) {
    state.SkipWithError("large_2000_rows.doc not found");
    return;
  }
  for (auto _ : state) {
    quillmere::document::Document document;
    quillmere::Status status = quillmere::document::ReadWord97Document(bytes, &document);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
    benchmark::DoNotOptimize(document);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadWord97TwoThousandRows)->Unit(benchmark::kMillisecond);

}  // namespace
