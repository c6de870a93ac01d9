// Kept cell texts (--keep-text) change what the cells say, never the grid.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "convert/conversion.h"
#include "convert/ustring.h"
#include "platform/encoding/codepage.h"
#include "recorder.h"
#include "support/fixtures.h"

namespace quillmere {
namespace {

using testing::Recorder;
using testing::U16;

// "⏎" stands for CR LF.
std::u16string R(std::string s) {
  for (size_t at; (at = s.find("⏎")) != std::string::npos;) s.replace(at, 3, "\r\n");
  return U16(s);
}

// Everything the conversion said but what the cells say: status texts,
// yields, which cell of which row.
std::vector<std::string> Shape(const Recorder& recorder) {
  std::vector<std::string> shape;
  for (const std::string& event : recorder.events) {
    shape.push_back(event.rfind("cell ", 0) == 0 ? event.substr(0, event.find(' ', 5)) : event);
  }
  return shape;
}

void ExpectSameGrid(std::u16string_view table, const std::string& name) {
  SCOPED_TRACE(name);
  Recorder converted, kept;
  const Status a = ConvertTable(table, converted, converted);
  const Status b = ConvertTable(table, kept, kept, CellTexts::kKept);
  EXPECT_EQ(a.ToString(), b.ToString());
  EXPECT_EQ(Shape(converted), Shape(kept));
}

// The tables of the conversion's own tests: its worked examples and edge
// cases, and the one a tag join makes it write its working text out for.
TEST(KeptTextsTest, TheGridIsTheSameWithAndWithoutThemOverTheConversionsTestTables) {
  const char* tables[] = {
      "border=1 cellspacing=0>⏎<TR class=r1>⏎<TD width=20 colspan=2>Ab</TD>⏎<TD "
      "width=10>c</TD>⏎</TR>⏎<TR class=r2>⏎<TD width=10>d</TD>⏎<TD width=10>e</TD>⏎<TD "
      "width=10>f</TD>⏎</TR>⏎</TABLE>⏎",
      "border=1>⏎<TR class=r1>⏎<TD width=10 rowspan=2>a</TD>⏎<TD width=10>b</TD>⏎</TR>⏎<TR "
      "class=r2>⏎<TD width=10>c</TD>⏎</TR>⏎</TABLE>⏎",
      "x>⏎<tr a>⏎<td rowspan=3>a</td>⏎<td>b</td>⏎</tr>⏎<tr a>⏎<td x>c</td>⏎</tr>⏎<tr "
      "a>⏎<td x>d</td>⏎</tr>⏎",
      "x>⏎<Tr A=1>⏎<tD W=1>MiXeD</Td>⏎</tR>⏎</TaBlE>",
      "x>⏎<tr>⏎ <td w>a</td>⏎<td w>b</td>⏎</tr>⏎<tr>⏎<td w>c</td>⏎",
      "x>⏎<tr a>⏎<td>gone</td>⏎<td w>kept</td>⏎",
      "x>⏎<tr a><td w>a</td>   <td w>b</td>⏎</tr>⏎<tr a><td w>c</td>  ",
      "x>⏎<tr a>⏎<td colspan=2 rowspan=2>a</td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w>c</td>⏎</tr>⏎",
      "x>⏎<tr a>⏎<td rowspan=3>rowspan=2 <b>x</b></td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w rowspan=2>"
      "c</td>⏎</tr>⏎<tr a>⏎<td w>d</td>⏎</tr>⏎",
      "x>⏎<tr a>⏎<td class=K ROWSPAN=2 w=1><b>A</b></td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w>c</td>⏎",
      "x>⏎<tr a>⏎<td w>a</td>⏎<td w>b</td>⏎<td w>c</td>⏎</tr>⏎<tr a>⏎<td w>d</td>⏎<td w>e</td>⏎"
      "</tr>⏎<tr a>⏎<td w>f</td>⏎</tr>⏎",
      "x>⏎<tr a>⏎<td w>a</td>⏎</tr>⏎<tr a>⏎<td w>b</td>⏎<td w>extra</td>⏎</tr>⏎",
      "x>⏎<tr a><td colspan=2 z</td>⏎<td w>b</td>⏎</tr>⏎",
      "x>⏎<tr a>⏎<td rowspan='2'>a</td>⏎<td w>b</td>⏎</tr>⏎<tr a>⏎<td w>c</td>⏎</tr>⏎",
      "x>⏎<tr a>⏎<td w>a</td>⏎</tr>⏎<tr class=tail>after⏎<tr b>",
      "x>⏎<tr a>⏎<td w>a</tdrowspan=2>b</td><td w>c</td>⏎<tr a>⏎<td w>d</td>⏎",
      "x>⏎<tr a>⏎<td rowspan=2>a&==&b&--&c</td>⏎<td w>d</td>⏎</tr>⏎<tr a>⏎<td w>e</td>⏎",
      "x>⏎<tr a>⏎<td w>A&amp;B &lt;c&gt; &#20013;</td>⏎<td w>x</t</tr>d>⏎<tr a>⏎<td w>y</td>⏎",
      "x>",
  };
  for (const char* table : tables) ExpectSameGrid(R(table), table);
}

TEST(KeptTextsTest, TheGridIsTheSameWithAndWithoutThemOverRealPages) {
  QM_REQUIRE_FIXTURE("wordhtml");
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(testing::FixturePath("wordhtml"))) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    // The grid is found in the markup whatever its characters mean.
    const std::u16string page = codepage::DecodeCp936(bytes.str());
    const std::vector<text::TextView> pieces = text::Split(page, u"<table ");
    for (size_t n = 1; n < pieces.size(); ++n) {
      ExpectSameGrid(pieces[n], entry.path().filename().string() + " " + std::to_string(n));
    }
  }
}

TEST(KeptTextsTest, CellsSayWhatAPersonReadsCarriedCellsIncluded) {
  Recorder kept;
  ASSERT_TRUE(ConvertTable(R("x>⏎<TR>⏎<TD ROWSPAN=2><P>Total&nbsp;<B>Amount</B>⏎  &amp; Tax</P>"
                             "</TD>⏎<TD>&#20013;&#x6587; &bogus; &#0;</TD>⏎</TR>⏎<TR>⏎"
                             "<TD>  It's\tme  </TD>⏎</TR>⏎<TR>⏎<TD>x</TD>⏎</TR>⏎"),
                           kept, kept, CellTexts::kKept)
                  .ok());
  EXPECT_EQ(kept.grid, (std::vector<std::vector<std::string>>{
                           {"<td>Total Amount & Tax", "<td>中文 &bogus; \uFFFD"},
                           {"<td>Total Amount & Tax", "<td>It's me"},
                           {"<td>x", ""}}))
      << "the short last row's whitespace piece reads as nothing";
}

}  // namespace
}  // namespace quillmere
