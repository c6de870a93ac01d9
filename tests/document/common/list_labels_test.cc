// List labels: the number formats, the levels' patterns and the counters
// that run on through a list.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

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

// A list instance of its own counters (`counters`) with `levels`.
ListInstance Instance(int64_t id, int64_t counters, const ListLevels& levels) {
  ListInstance instance;
  instance.id = id;
  instance.counters = counters;
  instance.levels = levels;
  return instance;
}

struct Step {
  const ListInstance* instance;
  int level;
  const char* label;
};

void ExpectLabels(const std::vector<Step>& steps) {
  ListCounter counter;
  for (const Step& step : steps) {
    std::shared_ptr<const ListLabel> label = counter.Next(*step.instance, step.level);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(Utf8(label->text), step.label) << step.label;
  }
}

TEST(ListLabelsTest, CountersRunOnAndRestartBelowTheLevelUsed) {
  ListLevels levels;
  levels[0] = Level(u"%1.", NumberFormat::kDecimal);
  levels[1] = Level(u"%1.%2.", NumberFormat::kLowerLetter);
  levels[2] = Level(u"(%3)", NumberFormat::kLowerRoman, 3);
  levels[2].restart_below = 1;  // only the first level restarts it
  ListLevels chapters;
  chapters[0] = Level(u"第%1章", NumberFormat::kChineseCounting);
  chapters[1] = Level(u"%1.%2", NumberFormat::kUpperLetter);
  chapters[1].legal = true;
  chapters[2] = Level(u"\uF0B7", NumberFormat::kBullet);
  chapters[2].font = u"Symbol";
  chapters[3] = Level(u"%4.", NumberFormat::kNone);
  const ListInstance list = Instance(1, 1, levels), book = Instance(2, 2, chapters);
  ExpectLabels({
      {&list, 0, "1."},
      {&list, 1, "1.a."},
      {&list, 2, "(iii)"},
      {&list, 1, "1.b."},
      {&list, 2, "(iv)"},  // not restarted by the second level
      {&list, 0, "2."},
      {&list, 2, "(iii)"},
      {&list, 1, "2.b."},  // the third level counted the second's first
      {&book, 0, "第一章"},
      {&book, 1, "1.1"},  // legal: every number decimal
      {&book, 2, "·"},
      {&book, 3, ""},
      {&list, 0, "3."},  // another list's counters are its own
      {&book, 0, "第二章"},
  });
  EXPECT_EQ(Utf8(ListCounter().Next(book, 2)->font), "Symbol");
}

// Instances of one list share its counters: one that starts a level again
// does so at its first paragraph, and the others count on from there. A
// level above the one used stands at its start until it is used, and then
// counts on.
TEST(ListLabelsTest, InstancesOfOneListShareItsCounters) {
  ListLevels levels;
  levels[0] = Level(u"%1.", NumberFormat::kDecimal);
  levels[1] = Level(u"%1.%2.", NumberFormat::kDecimal);
  levels[2] = Level(u"%3)", NumberFormat::kLowerLetter);
  const ListInstance first = Instance(1, 7, levels), second = Instance(2, 7, levels);
  ListInstance restarted = Instance(3, 7, levels);
  restarted.levels[0].start = 5;
  restarted.restarts[0] = true;
  ListInstance deep_restart = Instance(4, 7, levels);
  deep_restart.restarts[2] = true;
  ExpectLabels({
      {&first, 1, "1.1."},  // a list begun below its first level
      {&first, 1, "1.2."},
      {&second, 0, "2."},  // ... counts that level on
      {&second, 1, "2.1."},
      {&restarted, 0, "5."},
      {&first, 0, "6."},  // from the restarted value on
      {&first, 2, "a)"},
      {&second, 2, "b)"},
      {&deep_restart, 2, "a)"},    // only the overridden level restarts
      {&deep_restart, 1, "6.2."},  // the run of "a)" counted its first
      {&restarted, 0, "7."},       // the restart was at its first paragraph
  });
}

}  // namespace
}  // namespace quillmere::document
