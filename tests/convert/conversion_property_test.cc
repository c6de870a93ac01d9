// Random tables with row and column spans, written in Word's web-page shape,
// must come out as the rectangular grid they describe. The expected grid is
// computed here from the table's layout, not by the code under test.
#include <gtest/gtest.h>

#include <random>

#include "convert/conversion.h"
#include "recorder.h"
#include "word_page.h"

namespace quillmere {
namespace {

using testing::PageCell;
using testing::PageTable;
using Grid = std::vector<std::vector<std::string>>;

struct Layout {
  PageTable page;
  Grid expected;
};

std::string RandomText(std::mt19937& rng) {
  static const char* kWords[] = {"Alpha",   "beta",    "GAMMA", "数据",   "表格",   "Ｆｕｌｌ",
                                 "o'Brien", "a&amp;b", "12",    "x&lt;y", "Ünïcode"};
  static const char* kLower[] = {"alpha",   "beta",    "gamma", "数据",   "表格",   "ｆｕｌｌ",
                                 "o'brien", "a&amp;b", "12",    "x&lt;y", "ünïcode"};
  std::string page_text, expected;
  int words = rng() % 3;
  for (int w = 0; w < words; ++w) {
    int k = rng() % 11;
    if (w > 0) page_text += " ";
    page_text += kWords[k];
    expected += kLower[k];
  }
  return page_text + '\x1f' + expected;  // both, split below
}

// Fills a rows x cols grid with cells of random spans that never overlap and
// leave every row at least one cell of its own (as Word's pages always do).
bool MakeLayout(std::mt19937& rng, int rows, int cols, Layout* layout) {
  std::vector<std::vector<int>> owner(rows, std::vector<int>(cols, -1));
  std::vector<std::string> texts;
  layout->page.assign(rows, {});
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      if (owner[r][c] >= 0) continue;
      int free_run = 0;
      while (c + free_run < cols && owner[r][c + free_run] < 0) ++free_run;
      int colspan = 1 + (rng() % 4 == 0 ? rng() % free_run : 0);
      int rowspan = 1 + (rng() % 4 == 0 ? rng() % (rows - r) : 0);
      for (bool fits = false; !fits;) {
        fits = true;
        for (int rr = r; rr < r + rowspan && fits; ++rr) {
          for (int cc = c; cc < c + colspan; ++cc) fits = fits && owner[rr][cc] < 0;
        }
        if (!fits) --rowspan;
      }
      std::string both = RandomText(rng);
      size_t cut = both.find('\x1f');
      int id = static_cast<int>(texts.size());
      texts.push_back(both.substr(cut + 1));
      for (int rr = r; rr < r + rowspan; ++rr) {
        for (int cc = c; cc < c + colspan; ++cc) owner[rr][cc] = id;
      }
      layout->page[r].push_back({both.substr(0, cut), colspan, rowspan});
    }
    if (layout->page[r].empty()) return false;
  }
  layout->expected.assign(rows, std::vector<std::string>(cols));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) layout->expected[r][c] = "<td>" + texts[owner[r][c]];
  }
  return true;
}

TEST(ConversionPropertyTest, RandomSpanningTablesBecomeTheirGrid) {
  std::mt19937 rng(20261208);
  int tables = 0;
  while (tables < 3000) {
    Layout layout;
    if (!MakeLayout(rng, 1 + rng() % 8, 1 + rng() % 6, &layout)) continue;
    ++tables;
    std::string page = testing::WordTableMarkup(layout.page);
    std::string strTable = page.substr(page.find("<table ") + 7);
    testing::Recorder recorder;
    Status status = ConvertTable(testing::U16(strTable), recorder, recorder);
    ASSERT_TRUE(status.ok()) << status.ToString() << "\n" << page;
    ASSERT_EQ(recorder.grid, layout.expected) << page;
  }
}

}  // namespace
}  // namespace quillmere
