#include "convert/ustring.h"

#include <gtest/gtest.h>

namespace quillmere::text {
namespace {

TEST(IndexOfTest, IndexesCountFromZeroAndNposMeansNotFound) {
  constexpr size_t npos = TextView::npos;
  EXPECT_EQ(IndexOf(u"abcabc", u"bc"), 1u);
  EXPECT_EQ(IndexOf(u"abcabc", u"bc", 2), 4u);
  EXPECT_EQ(IndexOf(u"abcabc", u"bc", 5), npos);
  EXPECT_EQ(IndexOf(u"abc", u"x"), npos);
  EXPECT_EQ(IndexOf(u"", u"x"), npos);
  EXPECT_EQ(IndexOf(u"ab", u"abc"), npos);
  EXPECT_EQ(IndexOf(u"abc", u"c", 2), 2u);
  EXPECT_EQ(IndexOf(u"abc", u"c", 99), npos);
  EXPECT_EQ(IndexOf(u"abc", u'c', 2), 2u);
  EXPECT_EQ(IndexOf(u"abc", u'c', 3), npos);
  // Units past a vector's width are found too.
  EXPECT_EQ(IndexOf(u"0123456789abcdef>", u'>'), 16u);
}

TEST(IndexOfPairTest, FindsTheFirstPairOfEitherValuesWhereverItStands) {
  constexpr size_t npos = TextView::npos;
  EXPECT_EQ(IndexOfPair(u"<p></TD>", u'/', u'/', u't', u'T'), 4u);
  EXPECT_EQ(IndexOfPair(u"<p></td>", u'<', u'/', u't', u'T'), 4u) << "'/' then 't'";
  EXPECT_EQ(IndexOfPair(u"<td><td>", u'<', u'<', u't', u't', 1), 4u);
  EXPECT_EQ(IndexOfPair(u"t<", u'<', u'<', u't', u't'), npos) << "the pair's order counts";
  EXPECT_EQ(IndexOfPair(u"x<", u'<', u'<', u't', u't'), npos) << "no unit after the last";
  // Pairs across the two vectors of a round, across rounds, and in the tail.
  const Text filler(40, u'-');
  for (size_t at = 0; at + 1 < filler.size(); ++at) {
    Text s = filler;
    s[at] = u'S';
    s[at + 1] = u'p';
    EXPECT_EQ(IndexOfPair(s, u's', u'S', u'p', u'P'), at) << at;
    EXPECT_EQ(IndexOfPair(s, u's', u'S', u'p', u'P', at + 1), npos) << at;
    EXPECT_EQ(IndexOf(s, u"Sp-"), at + 2 < s.size() ? at : npos) << at;
  }
}

TEST(IndexOfTest, IsCaseSensitiveUnlessAskedNotToBe) {
  constexpr size_t npos = TextView::npos;
  EXPECT_EQ(IndexOf(u"xCOLSPAN=2", u"colspan"), npos);
  EXPECT_EQ(IndexOfNoCase(u"xCOLSPAN=2", u"colspan"), 1u);
  EXPECT_EQ(IndexOfNoCase(u"xColSpan=2", u"COLSPAN"), 1u);
  EXPECT_EQ(IndexOfNoCase(u"ÄBC", u"äbc"), 0u);  // not only ASCII
  EXPECT_EQ(IndexOfNoCase(u"colspan", u"colspan", 1), npos);
  EXPECT_EQ(IndexOfNoCase(u"span", u"colspan"), npos);
}

TEST(SplitTest, EmptyStringGivesNoPiecesAndSeparatorsBelongToNoPiece) {
  EXPECT_TRUE(Split(u"", u"</td>").empty());
  EXPECT_EQ(Split(u"a</td>b</td>", u"</td>"), (std::vector<TextView>{u"a", u"b", u""}));
  EXPECT_EQ(Split(u"</td>", u"</td>"), (std::vector<TextView>{u"", u""}));
  EXPECT_EQ(Split(u"abc", u"x"), (std::vector<TextView>{u"abc"}));
}

TEST(ReplaceTest, ReplacesLeftToRightWithoutRescanningItsOwnOutput) {
  EXPECT_EQ(ReplaceAll(u"aXbXc", u"X", u"--"), u"a--b--c");
  EXPECT_EQ(ReplaceAll(u"&nb&nbsp;sp;", u"&nbsp;", u""), u"&nbsp;");
  EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
  Text s = u"\r\r\n\n";
  ReplaceAllInPlace(s, u"\r\n", u"");
  EXPECT_EQ(s, u"\r\n");
  s = u"x</tr></tr>y</tr>";
  ReplaceAllInPlace(s, u"</tr>", u"");
  EXPECT_EQ(s, u"xy");
  s = u"abab";
  ReplaceAllInPlace(s, u"b", u"cc");
  EXPECT_EQ(s, u"accacc");
}

TEST(TrimTest, RemovesOnlyBlanks) {
  EXPECT_EQ(TrimSpaces(u"  a b  "), u"a b");
  EXPECT_EQ(TrimSpaces(u"   "), u"");
  EXPECT_EQ(TrimSpaces(u"\r\n "), u"\r\n");
  EXPECT_EQ(TrimSpaces(u"\t\u3000"), u"\t\u3000");
}

TEST(LowercaseTest, LowersEveryUpperCaseLetterAndKeepsTheLength) {
  EXPECT_EQ(Lowercase(u"<TD Width=10>AbC</TD>"), u"<td width=10>abc</td>");
  EXPECT_EQ(Lowercase(u"ÀÉÎ ΣΑΣ ДОМ"), u"àéî σασ дом");
  EXPECT_EQ(Lowercase(u"ＡＢＣ数据"), u"ａｂｃ数据");  // full-width Latin in Chinese text
  EXPECT_EQ(Lowercase(u"\u0130"), u"i");               // simple mapping: length kept
  EXPECT_EQ(Lowercase(u"\U00010400"), u"\U00010428");  // a supplementary-plane letter
  EXPECT_EQ(Lowercase(u"\xD801"), u"\xD801");          // a lone surrogate stays
  EXPECT_EQ(Lowercase(u"ß1_!"), u"ß1_!");
}

TEST(WholeNumberTest, DecimalsWithSignAndWhiteSpaceRoundHalfToEven) {
  EXPECT_EQ(ToWholeNumber(u"2"), 2);
  EXPECT_EQ(ToWholeNumber(u" +3 "), 3);
  EXPECT_EQ(ToWholeNumber(u"\t-4\r\n"), -4);
  EXPECT_EQ(ToWholeNumber(u"2.5"), 2);
  EXPECT_EQ(ToWholeNumber(u"3.5"), 4);
  EXPECT_EQ(ToWholeNumber(u"2.51"), 3);
  EXPECT_EQ(ToWholeNumber(u"2.4999"), 2);
  EXPECT_EQ(ToWholeNumber(u"-2.5"), -2);
  EXPECT_EQ(ToWholeNumber(u".5"), 0);
  EXPECT_EQ(ToWholeNumber(u"1."), 1);
  EXPECT_EQ(ToWholeNumber(u"007"), 7);
  EXPECT_EQ(ToWholeNumber(u"99999999999999999999999"), 1'000'000'000'000'000);
}

TEST(WholeNumberTest, RefusesWhatIsNotADecimalNumber) {
  for (TextView bad :
       {u"", u" ", u"-", u"'2'", u"2a", u"1e3", u"2 3", u"+-1", u".", u"0x10", u"２"}) {
    EXPECT_FALSE(ToWholeNumber(bad).has_value()) << std::string(bad.begin(), bad.end());
  }
}

TEST(FromNumberTest, WritesDigitsAndAMinusSign) {
  EXPECT_EQ(FromNumber(0), u"0");
  EXPECT_EQ(FromNumber(85), u"85");
  EXPECT_EQ(FromNumber(-12), u"-12");
}

}  // namespace
}  // namespace quillmere::text
