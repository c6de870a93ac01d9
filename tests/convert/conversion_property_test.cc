// Random tables with row and column spans, written in Word's web-page shape,
// must come out as the rectangular grid they describe. The expected grid is
// computed here from the table's layout, not by the code under test.
#include <gtest/gtest.h>

#include <random>

#include "convert/conversion_internal.h"
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
  Grid kept;  // the texts as a person reads them
};

std::string RandomText(std::mt19937& rng, std::string* read) {
  static const char* kWords[] = {"Alpha",   "beta",    "GAMMA", "数据",   "表格",   "Ｆｕｌｌ",
                                 "o'Brien", "a&amp;b", "12",    "x&lt;y", "Ünïcode"};
  static const char* kLower[] = {"alpha",   "beta",    "gamma", "数据",   "表格",   "ｆｕｌｌ",
                                 "o'brien", "a&amp;b", "12",    "x&lt;y", "ünïcode"};
  static const char* kRead[] = {"Alpha",   "beta", "GAMMA", "数据", "表格",   "Ｆｕｌｌ",
                                "o'Brien", "a&b",  "12",    "x<y",  "Ünïcode"};
  std::string page_text, expected;
  read->clear();
  int words = rng() % 3;
  for (int w = 0; w < words; ++w) {
    int k = rng() % 11;
    if (w > 0) page_text += " ", *read += " ";
    page_text += kWords[k];
    expected += kLower[k];
    *read += kRead[k];
  }
  return page_text + '\x1f' + expected;  // both, split below
}

// Fills a rows x cols grid with cells of random spans that never overlap and
// leave every row at least one cell of its own (as Word's pages always do).
bool MakeLayout(std::mt19937& rng, int rows, int cols, Layout* layout) {
  std::vector<std::vector<int>> owner(rows, std::vector<int>(cols, -1));
  std::vector<std::string> texts, read_texts;
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
      std::string read;
      std::string both = RandomText(rng, &read);
      size_t cut = both.find('\x1f');
      int id = static_cast<int>(texts.size());
      texts.push_back(both.substr(cut + 1));
      read_texts.push_back(read);
      for (int rr = r; rr < r + rowspan; ++rr) {
        for (int cc = c; cc < c + colspan; ++cc) owner[rr][cc] = id;
      }
      layout->page[r].push_back({both.substr(0, cut), colspan, rowspan});
    }
    if (layout->page[r].empty()) return false;
  }
  layout->expected.assign(rows, std::vector<std::string>(cols));
  layout->kept = layout->expected;
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < cols; ++c) {
      layout->expected[r][c] = "<td>" + texts[owner[r][c]];
      layout->kept[r][c] = "<td>" + read_texts[owner[r][c]];
    }
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

    testing::Recorder kept;
    status = ConvertTable(testing::U16(strTable), kept, kept, CellTexts::kKept);
    ASSERT_TRUE(status.ok()) << status.ToString() << "\n" << page;
    ASSERT_EQ(kept.grid, layout.kept) << page;
  }
}

// Markup made of the pieces the passes look for (tags in any case, removed
// tags in odd places, spans, bare row tags, blanks, tags that only a removal
// completes) and some text.
std::u16string RandomMarkup(std::mt19937& rng) {
  static const char* kPieces[] = {
      "<TR>",      "<tr class=x>", "<Tr ",    "</TR>",     "</tr>",      "<td ",
      "<TD w=3>",  "<td>",         "</td>",   "</TD>",     "colspan=2",  "COLSPAN=\"3\"",
      "rowspan=2", "RowSpan=3",    " ",       "\r\n",      ">",          "<",
      "</table>",  "</TABLE>",     "<thead>", "</THEAD>",  "Ab",         "&amp;",
      "中文",      "\u0130K",      "😀",       "<t</tr>d ", "</t</tr>d>", "'",
      "<p>x</p>",  "&nbsp;"};
  std::string markup = "border=1>\r\n";
  const int n = static_cast<int>(rng() % 40);
  for (int i = 0; i < n; ++i) markup += kPieces[rng() % std::size(kPieces)];
  return testing::U16(markup);
}

// The conversion reads the working text through the markup rather than
// writing it out; both ways must say exactly the same: every status text (the
// row-tag positions in it), yield, cell and row end, or the same failure.
TEST(ConversionPropertyTest, ReadingThroughTheMarkupAgreesWithTheWorkingTextWrittenOut) {
  std::mt19937 rng(936);
  for (int round = 0; round < 6000; ++round) {
    std::u16string markup;
    if (round % 2 == 0) {
      markup = RandomMarkup(rng);
    } else {
      Layout layout;
      if (!MakeLayout(rng, 1 + rng() % 5, 1 + rng() % 4, &layout)) continue;
      std::string page = testing::WordTableMarkup(layout.page);
      markup = testing::U16(page.substr(page.find("<table ") + 7));
      for (int k = static_cast<int>(rng() % 3); k > 0; --k) {
        markup.insert(rng() % markup.size(), RandomMarkup(rng).substr(11));
      }
    }
    for (CellTexts texts : {CellTexts::kConverted, CellTexts::kKept}) {
      testing::Recorder read, written;
      Status a = ConvertTable(markup, read, read, texts);
      Status b = conversion_detail::ConvertWrittenOut(markup, written, written, texts);
      ASSERT_EQ(a.ToString(), b.ToString()) << testing::U8(markup);
      ASSERT_EQ(read.events, written.events) << testing::U8(markup);
    }
  }
}

}  // namespace
}  // namespace quillmere
