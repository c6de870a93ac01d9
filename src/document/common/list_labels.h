// List labels as Word shows them: the number formats of list levels, the
// levels' patterns, and the counters of each list, which run on across
// paragraphs, cells and rows in document order.
//
// Both readers turn their file's list definitions into ListInstances (a
// .doc file's LST and LFO structures, a .docx file's w:abstractNum and
// w:num) and ask a ListCounter for each list paragraph's label in document
// order.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "document/model.h"

namespace quillmere::document {

// The number formats of both file formats, in the order of the .doc
// format's codes (its nfc values 0 to 0x27), which the .docx names follow.
enum class NumberFormat : uint8_t {
  kDecimal,
  kUpperRoman,
  kLowerRoman,
  kUpperLetter,
  kLowerLetter,
  kOrdinal,       // 1st, 2nd
  kCardinalText,  // One, Two
  kOrdinalText,   // First, Second
  kHex,
  kChicago,  // *, †, ‡, §
  kIdeographDigital,
  kJapaneseCounting,
  kAiueo,
  kIroha,
  kDecimalFullWidth,
  kDecimalHalfWidth,
  kJapaneseLegal,
  kJapaneseDigitalTenThousand,
  kDecimalEnclosedCircle,
  kDecimalFullWidth2,
  kAiueoFullWidth,
  kIrohaFullWidth,
  kDecimalZero,
  kBullet,
  kGanada,
  kChosung,
  kDecimalEnclosedFullstop,
  kDecimalEnclosedParen,
  kDecimalEnclosedCircleChinese,
  kIdeographEnclosedCircle,
  kIdeographTraditional,
  kIdeographZodiac,
  kIdeographZodiacTraditional,
  kTaiwaneseCounting,
  kIdeographLegalTraditional,
  kTaiwaneseCountingThousand,
  kTaiwaneseDigital,
  kChineseCounting,
  kChineseLegalSimplified,
  kChineseCountingThousand,
  kNone,  // the level shows no number
};

// The format of a .doc level's nfc code; decimal for codes it does not know
// (0xFF is "none").
NumberFormat NumberFormatOfCode(int nfc);

// The format a .docx w:numFmt names; decimal for names it does not know.
NumberFormat NumberFormatOfName(std::string_view name);

// `value` written in `format`. Formats with a limited range (letters of a
// cycle, enclosed numbers) fall back to decimal beyond it, as Word does.
std::u16string FormatNumber(int value, NumberFormat format);

inline constexpr int kListLevels = 9;

// A character of a level's pattern at or below this stands for the number
// of level (character) in the label: 0 for the first level, 8 for the last.
inline constexpr char16_t kLastPlaceholder = 8;

// The pattern of a .docx w:lvlText ("%1.%2.") with each "%N" (N from 1 to
// 9) turned into its placeholder character.
std::u16string PatternOfLevelText(std::u16string_view level_text);

struct ListLevel {
  int start = 1;
  NumberFormat format = NumberFormat::kDecimal;
  std::u16string pattern;  // text with placeholder characters
  bool legal = false;      // every number of the label in decimal
  // The level starts again at `start` whenever a level above `restart_below`
  // (a level index lower than it) is used. kListLevels: after every level
  // above it; 0: never.
  int restart_below = kListLevels;
  std::u16string font;  // the font of the level's label, when it sets one
  bool right_aligned = false;
  bool followed = true;  // a tab or blank follows the label
};

using ListLevels = std::array<ListLevel, kListLevels>;

// A list instance (a .doc LFO, a .docx w:num): the levels it labels its
// paragraphs with and the counters it counts on.
struct ListInstance {
  ListLevels levels;
  int64_t id = 0;  // the instance's own, unique in its document
  // The list whose counters the instance counts on: every instance of one
  // list shares them, whatever its overrides.
  int64_t counters = 0;
  // The levels an override starts again (at their `start`) at the
  // instance's first paragraph.
  std::array<bool, kListLevels> restarts{};
};

// Counts every list of one story in document order.
class ListCounter {
 public:
  // The label of the next paragraph of `instance` at `level` (clamped to
  // 0-8).
  std::shared_ptr<const ListLabel> Next(const ListInstance& instance, int level);

 private:
  struct Counters {
    std::array<int, kListLevels> value{};
    std::array<bool, kListLevels> used{};
  };
  std::map<int64_t, Counters> lists_;
  std::set<int64_t> started_;  // the instances whose first paragraph was counted
};

}  // namespace quillmere::document
