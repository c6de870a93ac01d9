#include "document/web_page/page_text.h"

#include <gtest/gtest.h>

#include "platform/encoding/unicode.h"

namespace quillmere::document::web_page {
namespace {

std::string Content(const Paragraph& paragraph) {
  std::u16string out;
  AppendParagraphContent(paragraph, out);
  return unicode::ToUtf8(out);
}

Paragraph Text(std::u16string_view text) {
  Paragraph paragraph;
  paragraph.AddText(text);
  return paragraph;
}

TEST(PageTextTest, EscapesMarkupCharactersAndKeepsOthers) {
  EXPECT_EQ(Content(Text(u"a & b < c > \"d\" 'e' 中文")),
            "a &amp; b &lt; c &gt; &quot;d&quot; 'e' 中文");
  EXPECT_EQ(Content(Text(u"no\u00A0break, non\u2011breaking")), "no&nbsp;break, non-breaking");
}

TEST(PageTextTest, BlanksKeepTheirWidthAsWordWritesThem) {
  EXPECT_EQ(Content(Text(u"a b")), "a b");
  EXPECT_EQ(Content(Text(u"a   b")), "a<span style='mso-spacerun:yes'>&nbsp;&nbsp; </span>b");
  // At the ends of a line a blank would vanish, so none is left there.
  EXPECT_EQ(Content(Text(u" a ")),
            "<span style='mso-spacerun:yes'>&nbsp;</span>a<span style='mso-spacerun:yes'>"
            "&nbsp;</span>");
}

TEST(PageTextTest, NeverWritesTabsOrLineFeedsIntoTheText) {
  Paragraph paragraph = Text(u"x\ty\r\nz\x01");
  paragraph.AddBreak();
  paragraph.AddText(u"after");
  paragraph.AddTab();
  std::string content = Content(paragraph);
  EXPECT_EQ(content.find_first_of("\t\r\n\x01"), std::string::npos) << content;
  EXPECT_NE(content.find("y<span style='mso-spacerun:yes'>&nbsp; </span>z<br>after"),
            std::string::npos)
      << content;
  EXPECT_NE(content.find("mso-tab-count:1"), std::string::npos);
}

TEST(PageTextTest, EmptyParagraphsAreThoseWithoutInlines) {
  EXPECT_TRUE(IsEmpty(Paragraph()));
  EXPECT_FALSE(IsEmpty(Text(u" ")));
  Paragraph line_break;
  line_break.AddBreak();
  EXPECT_FALSE(IsEmpty(line_break));
}

TEST(PageTextTest, LengthsInPointsAndPixelsAsWordWritesThem) {
  EXPECT_EQ(Points(2840), u"142.0pt");
  EXPECT_EQ(Points(317), u"15.85pt");
  EXPECT_EQ(Points(10), u".5pt");
  EXPECT_EQ(Pixels(2840), 189);  // 142pt at 96 pixels per inch
  EXPECT_EQ(Pixels(1440), 96);
  EXPECT_EQ(Pixels(-5), 0);
}

}  // namespace
}  // namespace quillmere::document::web_page
