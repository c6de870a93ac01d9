// List labels: the number formats, the levels' patterns and the counters
// that run on through a list.
#include <gtest/gtest.h>

#include "document/common/list_labels.h"
#include "platform/encoding/unicode.h"

namespace quillmere::document {
namespace {

std::string Utf8(const std::u16string& text) { return unicode::ToUtf8(text); }

TEST(ListLabelsTest, NumberFormats) {
  struct Case {
    const char* format;
    int value;
    const char* shown;
  };
  const Case kCases[] = {
      {"decimal", 12, "12"},
      {"upperRoman", 1994, "MCMXCIV"},
      {"lowerRoman", 4, "iv"},
      {"upperLetter", 28, "BB"},
      {"lowerLetter", 1, "a"},
      {"ordinal", 11, "11th"},
      {"ordinal", 22, "22nd"},
      {"cardinalText", 21, "Twenty-One"},
      {"cardinalText", 105, "One Hundred Five"},
      {"ordinalText", 12, "Twelfth"},
      {"ordinalText", 20, "Twentieth"},
      {"decimalZero", 7, "07"},
      {"decimalZero", 10, "10"},
      {"decimalFullWidth", 12, "１２"},
      {"decimalEnclosedCircle", 3, "③"},
      {"decimalEnclosedCircle", 21, "21"},
      {"decimalEnclosedParen", 2, "⑵"},
      {"chicago", 5, "**"},
      {"hex", 255, "FF"},
      {"chineseCounting", 1, "一"},
      {"chineseCounting", 10, "十"},
      {"chineseCounting", 11, "十一"},
      {"chineseCounting", 20, "二十"},
      {"chineseCounting", 105, "一百〇五"},
      {"chineseCountingThousand", 1010, "一千零一十"},
      {"chineseLegalSimplified", 3, "叁"},
      {"chineseLegalSimplified", 12, "壹拾贰"},
      {"taiwaneseCounting", 5, "五"},
      {"ideographDigital", 205, "二〇五"},
      {"ideographTraditional", 3, "丙"},
      {"ideographTraditional", 11, "11"},
      {"ideographZodiac", 1, "子"},
      {"ideographZodiacTraditional", 2, "乙丑"},
      {"ideographEnclosedCircle", 2, "㊁"},
      {"bullet", 3, ""},
      {"none", 3, ""},
      {"somethingNew", 3, "3"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(Utf8(FormatNumber(c.value, NumberFormatOfName(c.format))), c.shown)
        << c.format << " " << c.value;
  }
  // The .doc codes follow the same order; 0xFF is none.
  EXPECT_EQ(NumberFormatOfCode(2), NumberFormat::kLowerRoman);
  EXPECT_EQ(NumberFormatOfCode(0x26), NumberFormat::kChineseLegalSimplified);
  EXPECT_EQ(NumberFormatOfCode(0xFF), NumberFormat::kNone);
}

ListLevel Level(const char16_t* text, NumberFormat format, int start = 1) {
  ListLevel level;
  level.pattern = PatternOfLevelText(text);
  level.format = format;
  level.start = start;
  return level;
}

TEST(ListLabelsTest, CountersRunOnAndRestartBelowTheLevelUsed) {
  ListInstance list, book;
  list.id = list.counters = 1;
  book.id = book.counters = 2;
  ListLevels& levels = list.levels;
  levels[0] = Level(u"%1.", NumberFormat::kDecimal);
  levels[1] = Level(u"%1.%2.", NumberFormat::kLowerLetter);
  levels[2] = Level(u"(%3)", NumberFormat::kLowerRoman, 3);
  levels[2].restart_below = 1;  // only the first level restarts it
  ListLevels& chapters = book.levels;
  chapters[0] = Level(u"第%1章", NumberFormat::kChineseCounting);
  chapters[1] = Level(u"%1.%2", NumberFormat::kUpperLetter);
  chapters[1].legal = true;
  chapters[2] = Level(u"\uF0B7", NumberFormat::kBullet);
  chapters[2].font = u"Symbol";
  chapters[3] = Level(u"%4.", NumberFormat::kNone);
  ListCounter counter;
  struct Step {
    const ListInstance* list;
    int level;
    const char* label;
  };
  // clang-format off
  const Step kSteps[] = {
      {&list, 0, "1."}, {&list, 1, "1.a."}, {&list, 2, "(iii)"}, {&list, 1, "1.b."},
      {&list, 2, "(iv)"},     // not restarted by the second level
      {&list, 0, "2."}, {&list, 2, "(iii)"},
      {&list, 1, "2.b."},     // the third level counted the second's first
      {&book, 0, "第一章"},
      {&book, 1, "1.1"},      // legal: every number decimal
      {&book, 2, "·"}, {&book, 3, ""},
      {&list, 0, "3."},       // another list's counters are its own
      {&book, 0, "第二章"},
  };
  // clang-format on
  for (const Step& step : kSteps) {
    EXPECT_EQ(Utf8(counter.Next(*step.list, step.level)->text), step.label) << step.label;
  }
  EXPECT_EQ(Utf8(counter.Next(book, 2)->font), "Symbol");
}

}  // namespace
}  // namespace quillmere::document
