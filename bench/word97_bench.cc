// Reading a 2,000-row Word 97-2003 document (made by LibreOffice, see
// tests/document/word97/data/make_fixtures.sh) into the document model,
// and assembling huge tables from their cells.
#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

#include "document/word97/reader.h"
#include "document/word97/tables.h"

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
    quillmere::Status status = quillmere::document::word97::ReadDocument(bytes, &document);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
    benchmark::DoNotOptimize(document);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadWord97TwoThousandRows)->Unit(benchmark::kMillisecond);

quillmere::document::Paragraph Text(std::u16string_view text) {
  quillmere::document::Paragraph paragraph;
  paragraph.AddText(text);
  return paragraph;
}

quillmere::document::word97::RowDefinition Definition(int right_edge, uint16_t flags) {
  quillmere::document::word97::RowDefinition row;
  row.defined = true;
  row.edges = {0, right_edge};
  row.cell_flags = {flags};
  return row;
}

// A row of 4 * N cells that all join (its one cell has no width), then N rows
// with an edge each of their own, every cell merged downwards: the time per
// cell stays the same as N grows.
void BM_AssembleHugeRowsAndTables(benchmark::State& state) {
  using namespace quillmere::document;
  using namespace quillmere::document::word97;
  const int rows = static_cast<int>(state.range(0));
  for (auto _ : state) {
    Document document;
    TableAssembler assembler(&document);
    for (int i = 0; i < 4 * rows; ++i) assembler.EndCell(1, Text(u"x"));
    assembler.EndRow(1, Definition(0, 0));
    for (int i = 0; i < rows; ++i) {
      assembler.EndCell(1, Text(u"y"));
      assembler.EndRow(1, Definition(10 + i, kVerticalContinue));
    }
    assembler.Finish();
    benchmark::DoNotOptimize(document);
  }
  state.SetItemsProcessed(state.iterations() * 5 * rows);
}
BENCHMARK(BM_AssembleHugeRowsAndTables)->Arg(12500)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace
