#include "convert/nohtml.h"

#include <gtest/gtest.h>

#include <random>
#include <regex>

namespace quillmere {
namespace {

using text::Text;

TEST(NohtmlTest, ReplacesEveryTagWithOneBlank) {
  EXPECT_EQ(nohtml(u"<p class=msonormal><span lang=en-us>total&nbsp;amount</span></p>"),
            u"  total&nbsp;amount  ");
  EXPECT_EQ(nohtml(u"a<br>b"), u"a b");
  EXPECT_EQ(nohtml(u"no tags"), u"no tags");
  EXPECT_EQ(nohtml(u""), u"");
}

TEST(NohtmlTest, MatchRunsToTheLastCloseBeforeTheNextOpen) {
  EXPECT_EQ(nohtml(u"<b>x>y</b>"), u" y ");  // "x>" goes with the tag
  EXPECT_EQ(nohtml(u"a<b"), u"a<b");         // no ">" after it
  EXPECT_EQ(nohtml(u"<>x"), u"<>x");         // ">" as the second character needs another
  EXPECT_EQ(nohtml(u"<>>x"), u" x");
  EXPECT_EQ(nohtml(u"<<a>"), u" ");        // the character after "<" may be "<"
  EXPECT_EQ(nohtml(u"<\nb>"), u"<\nb>");   // ... but not a line feed
  EXPECT_EQ(nohtml(u"<\rb>"), u" ");       // a carriage return is fine
  EXPECT_EQ(nohtml(u"<a\r\nb>c"), u" c");  // line breaks inside a tag
  EXPECT_EQ(nohtml(u"<a<b>"), u"<a ");     // the first "<" finds no ">" before the next
}

TEST(NohtmlTest, ClosingTagSweepNeverFindsAnythingLeft) {
  EXPECT_EQ(cell_text::ReplaceClosingTags(u"</p>x</b >"), u" x ");
  EXPECT_EQ(cell_text::ReplaceTags(u"</p>"), u" ");
}

// The tag sweep against an independent backtracking regex engine on many
// short strings made of the characters that matter.
TEST(NohtmlTest, AgreesWithARegexEngine) {
  std::mt19937 rng(7);
  const wchar_t alphabet[] = L"<>/a \r\n";
  const std::wregex tag(L"<[^\\n][^<]*>");
  const std::wregex closing(L"</[^<]*>");
  for (int round = 0; round < 20000; ++round) {
    std::wstring w;
    int len = rng() % 12;
    for (int i = 0; i < len; ++i) w.push_back(alphabet[rng() % 7]);
    std::wstring expected = std::regex_replace(std::regex_replace(w, tag, L" "), closing, L" ");
    Text input(w.begin(), w.end());
    Text got = nohtml(input);
    ASSERT_EQ(std::wstring(got.begin(), got.end()), expected) << "round " << round;
  }
}

TEST(NohtmlTest, LongCellsAreFineAndLinear) {
  Text many;
  for (int i = 0; i < 200000; ++i) many += u"<<x";  // every "<" starts no match
  EXPECT_EQ(nohtml(many), many);
  Text one = u"<" + Text(1000000, u'a') + u">";
  EXPECT_EQ(nohtml(one), u" ");
}

TEST(CellTextTest, WorkedExample) {
  Text markup =
      u"\r\n  <td width=189 valign=top style='width:142.0pt'>\r\n  <p class=msonormal><span "
      u"lang=en-us>total&nbsp;amount</span></p>\r\n  ";
  EXPECT_EQ(nohtml(markup.substr(markup.find(u'>') + 1)), u"\r\n    total&nbsp;amount  \r\n  ");
  EXPECT_EQ(cell_text::FromMarkup(markup), u"<td>totalamount");
}

TEST(CellTextTest, EdgeCases) {
  using cell_text::FromMarkup;
  EXPECT_EQ(FromMarkup(u"<td>&nbsp;"), u"<td>");
  EXPECT_EQ(FromMarkup(u""), u"");
  EXPECT_EQ(FromMarkup(u"<td><b>x>y</b>"), u"<td>y");
  EXPECT_EQ(FromMarkup(u"<td>a&amp;b"), u"<td>a&amp;b");
  EXPECT_EQ(FromMarkup(u"<td>a<b"), u"<td>a<b");
  EXPECT_EQ(FromMarkup(u"<td>it's"), u"<td>it's");
  EXPECT_EQ(FromMarkup(u"<td>total amount"), u"<td>totalamount");
  EXPECT_EQ(FromMarkup(u"<td width=10>"), u"<td>");
  EXPECT_EQ(FromMarkup(u"abc"), u"");
  EXPECT_EQ(FromMarkup(u"\r\n\r\n"), u"");
  // Only CR LF pairs and blanks go: lone CR, lone LF, tabs and other spaces stay.
  EXPECT_EQ(FromMarkup(u"<td>a\rb\nc\td\u3000e\u00a0f"), u"<td>a\rb\nc\td\u3000e\u00a0f");
  // Removals run in order, each once: "&nbsp;" first, then CR LF, then blanks.
  EXPECT_EQ(FromMarkup(u"<td>\r&nbsp;\n"), u"<td>");
  EXPECT_EQ(FromMarkup(u"<td>&nb&nbsp;sp;"), u"<td>&nbsp;");
  EXPECT_EQ(FromMarkup(u"<td>&nb sp;"), u"<td>&nbsp;");

  Text strCellText = FromMarkup(u"\r\n\r\n");
  cell_text::FallBackToMarkup(strCellText, u"\r\n\r\n");
  EXPECT_EQ(strCellText, u"\r\n\r\n");
  strCellText = FromMarkup(u"abc");
  cell_text::FallBackToMarkup(strCellText, u"abc");
  EXPECT_EQ(strCellText, u"abc");
}

}  // namespace
}  // namespace quillmere
