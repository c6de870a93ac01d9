// What a cell's text says by its look (placeholders, hints, quantities,
// options), and names as a table's columns carry them.
#include "forms/cell_text.h"

#include <gtest/gtest.h>

#include "forms/names.h"
#include "platform/encoding/unicode.h"

namespace quillmere::forms {
namespace {

std::u16string U(const char* text) { return unicode::FromUtf8(text); }

TEST(CellTextTest, PlaceholdersHintsAndQuantities) {
  struct Case {
    const char* text;
    bool placeholder, hint, quantity;
  };
  const Case cases[] = {
      {"{{accountName}}", true, false, false},
      {"{{a}}{{b}} ${c}", true, false, false},
      {"$PZJG$", true, false, false},
      {"«姓名»", true, false, false},
      {"______", true, false, false},
      {"姓名{{x}}", false, false, false},
      {"年  月  日", false, true, false},
      {"自 年 月 日 至 年 月 日", false, true, false},
      {"万元", false, true, false},
      {"（场）", false, true, false},
      {"M²", false, true, false},
      {"场 次", false, false, false},  // two units side by side: a label
      {"日 期", false, false, false},
      {"邮 编", false, false, false},
      {"200009", false, false, true},
      {"8年", false, false, true},
      {"2011年6月6日", false, false, true},
      {"16.6%", false, false, true},
      {"NO1080056", false, false, false},
      {"1、成果概述", false, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsPlaceholder(U(c.text)), c.placeholder) << c.text;
    EXPECT_EQ(IsHint(U(c.text)), c.hint) << c.text;
    EXPECT_EQ(IsQuantity(U(c.text)), c.quantity) << c.text;
  }
  EXPECT_EQ(PlaceholderName(U("{{ teachTime }}")), u"teachTime");
  EXPECT_EQ(PlaceholderName(U("$PZJG$")), u"PZJG");
  EXPECT_EQ(PlaceholderName(U("{{a}}{{b}}")), u"");
}

TEST(CellTextTest, ChosenOptionsOfEveryLayout) {
  struct Case {
    const char* text;
    bool options;
    const char* chosen;
  };
  const Case cases[] = {
      {"□雨水管 ☑污水管 □合流管", true, "污水管"},
      {"□合同标的 ■合同金额□技术成果权利归属", true, "合同金额"},
      {"□是（名称： ） ■否", true, "否"},
      {"是□ 加计扣除额 否☒", true, "否"},
      {"实验室样品（样机）■；小试产品□；中试生产■", true, "实验室样品（样机）、中试生产"},
      {"工程企业（小巨人□ 培育型☑）", true, "培育型"},
      {"居住（ ） 工作（√） 学习（ ）", true, "工作"},
      {"图书报刊 □ 电子出版物 □", true, ""},
      {"☑", true, "☑"},
      {"☐", true, ""},
      {"■ 基本情况", false, ""},  // one black square alone is no box
      {"共（ ）人", false, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsOptions(U(c.text)), c.options) << c.text;
    EXPECT_EQ(unicode::ToUtf8(ChosenOptions(U(c.text))), c.chosen) << c.text;
  }
}

TEST(NamesTest, LabelsBecomeNamesFitForOneTablesColumns) {
  EXPECT_EQ(NameOfLabel(U("邮    编：")), u"邮编");
  EXPECT_EQ(NameOfLabel(U("申\u3000请\n受理日期:")), u"申请受理日期");

  EXPECT_EQ(UniqueNames({u"项目单位", u"EMAIL", u"项目单位", u"email", u"document", u""}, 0,
                        {u"document"}),
            (std::vector<std::u16string>{u"项目单位", u"EMAIL", u"项目单位_2", u"email_2",
                                         u"document_2", u"value"}));
  // PostgreSQL's 63 bytes: 21 characters of three bytes, never half of one
  // (nor of a character of four bytes, two units); the number fits too.
  const std::u16string long_name(30, u'名');
  const std::vector<std::u16string> cut = UniqueNames({long_name, long_name}, 63, {});
  EXPECT_EQ(cut[0], std::u16string(21, u'名'));
  EXPECT_EQ(cut[1], std::u16string(20, u'名') + u"_2");
  EXPECT_EQ(CutToBytes(u"ab\U00020000c", 5), u"ab");
  EXPECT_EQ(CutToBytes(u"ab\U00020000c", 6), u"ab\U00020000");
  // A surrogate without its other half is written as U+FFFD, three bytes.
  const std::u16string lone_low = {u'a', char16_t{0xDC00}, u'b'};
  EXPECT_EQ(CutToBytes(lone_low, 3), u"a");
  const std::u16string lone_high = {u'a', char16_t{0xD800}, u'b'};
  EXPECT_EQ(CutToBytes(lone_high, 4), lone_high.substr(0, 2));
}

}  // namespace
}  // namespace quillmere::forms
