#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace quillmere::codepage {
namespace {

TEST(CodePageTest, RoundTripsChineseAndAscii) {
  std::u16string text = u"数据库存在形式与CC.html显示的效果类似 <td>&nbsp;\r\n";
  std::string bytes = EncodeCp936(text, Unencodable::kQuestionMark);
  EXPECT_EQ(bytes.substr(0, 4), "\xCA\xFD\xBE\xDD");  // 数据
  EXPECT_EQ(DecodeCp936(bytes), text);
  EXPECT_EQ(EncodeCp936(u"\u20AC", Unencodable::kQuestionMark), "\x80");  // Windows' euro
}

TEST(CodePageTest, UnencodableCharactersBecomeQuestionMarksOrReferences) {
  std::u16string text =
      u"a\u0E01b\U0001F600c\xD800"
      u"d";  // Thai, an emoji, a lone surrogate
  EXPECT_EQ(EncodeCp936(text, Unencodable::kQuestionMark), "a?b?c?d");
  EXPECT_EQ(EncodeCp936(text, Unencodable::kCharacterReference), "a&#3585;b&#128512;c?d");
  EXPECT_EQ(EncodeCp936(u"\xDBFF", Unencodable::kQuestionMark), "?");  // cut-off pair at the end
}

TEST(CodePageTest, InvalidBytesDecodeToReplacementCharactersAndDecodingGoesOn) {
  EXPECT_EQ(DecodeCp936("a\xFF"
                        "b"),
            u"a\uFFFD"
            "b");
  EXPECT_EQ(DecodeCp936("x\xCA"), u"x\uFFFD");  // a lead byte cut off at the end
  EXPECT_EQ(DecodeCp936(""), u"");
  std::string big(1 << 20, 'z');
  EXPECT_EQ(DecodeCp936(big).size(), big.size());
}

}  // namespace
}  // namespace quillmere::codepage
