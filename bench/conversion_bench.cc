// The whole conversion over tables in Word's web-page shape: 10 columns, the
// first column spanning three rows at a time, a column-spanning cell in every
// fifth row. The sink only counts, so this measures the conversion alone.
#include <benchmark/benchmark.h>

#include "convert/conversion.h"
#include "convert/word_page.h"
#include "platform/unicode.h"

namespace quillmere {
namespace {

class CountingSink : public TableSink {
 public:
  int64_t cells = 0, rows = 0;
  Status BeginRows() override { return Status(); }
  Status Cell(int64_t, int64_t, std::u16string_view text) override {
    cells += !text.empty();
    return Status();
  }
  Status EndRow(int64_t) override {
    ++rows;
    return Status();
  }
  Status Finish() override { return Status(); }
};

std::u16string TableOf(int rows) {
  testing::PageTable table(rows);
  for (int r = 0; r < rows; ++r) {
    auto& row = table[r];
    if (r % 3 == 0) row.push_back({"组 " + std::to_string(r / 3), 1, std::min(3, rows - r)});
    if (r % 5 == 1) {
      row.push_back({"Merged across two", 2, 1});
      for (int c = 3; c < 10; ++c) row.push_back({"Cell " + std::to_string(r * 10 + c), 1, 1});
    } else {
      for (int c = 1; c < 10; ++c) row.push_back({"Cell " + std::to_string(r * 10 + c), 1, 1});
    }
  }
  std::string page = testing::WordTableMarkup(table);
  return unicode::FromUtf8(page.substr(page.find("<table ") + 7));
}

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
