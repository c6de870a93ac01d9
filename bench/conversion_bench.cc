// The whole conversion over tables in Word's web-page shape (word_tables.h).
// The sink only counts, so this measures the conversion alone.
#include <benchmark/benchmark.h>

#include "convert/conversion.h"
#include "word_tables.h"

namespace quillmere {
namespace {

class CountingSink : public TableSink {
 public:
  int64_t cells = 0, rows = 0;
  Status BeginRows() override { return Status(); }
  Status Cell(int64_t, std::u16string_view text) override {
    cells += !text.empty();
    return Status();
  }
  Status EndRow(int64_t) override {
    ++rows;
    return Status();
  }
  Status Finish() override { return Status(); }
};

void BM_ConvertTable(benchmark::State& state) {
  const std::u16string strTable = TableOf(static_cast<int>(state.range(0)));
  SilentProgress progress;
  for (auto _ : state) {
    CountingSink sink;
    Status status = ConvertTable(strTable, sink, progress);
    if (!status.ok()) state.SkipWithError(status.ToString().c_str());
    benchmark::DoNotOptimize(sink.cells);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));  // rows
  // Bytes of markup as the page holds them (one byte per ASCII character).
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(strTable.size()));
}
BENCHMARK(BM_ConvertTable)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillmere
