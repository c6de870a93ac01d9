#include "document/common/list_labels.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace quillmere::document {
namespace {

constexpr std::pair<std::string_view, NumberFormat> kFormatNames[] = {
    {"decimal", NumberFormat::kDecimal},
    {"upperRoman", NumberFormat::kUpperRoman},
    {"lowerRoman", NumberFormat::kLowerRoman},
    {"upperLetter", NumberFormat::kUpperLetter},
    {"lowerLetter", NumberFormat::kLowerLetter},
    {"ordinal", NumberFormat::kOrdinal},
    {"cardinalText", NumberFormat::kCardinalText},
    {"ordinalText", NumberFormat::kOrdinalText},
    {"hex", NumberFormat::kHex},
    {"chicago", NumberFormat::kChicago},
    {"ideographDigital", NumberFormat::kIdeographDigital},
    {"japaneseCounting", NumberFormat::kJapaneseCounting},
    {"aiueo", NumberFormat::kAiueo},
    {"iroha", NumberFormat::kIroha},
    {"decimalFullWidth", NumberFormat::kDecimalFullWidth},
    {"decimalHalfWidth", NumberFormat::kDecimalHalfWidth},
    {"japaneseLegal", NumberFormat::kJapaneseLegal},
    {"japaneseDigitalTenThousand", NumberFormat::kJapaneseDigitalTenThousand},
    {"decimalEnclosedCircle", NumberFormat::kDecimalEnclosedCircle},
    {"decimalFullWidth2", NumberFormat::kDecimalFullWidth2},
    {"aiueoFullWidth", NumberFormat::kAiueoFullWidth},
    {"irohaFullWidth", NumberFormat::kIrohaFullWidth},
    {"decimalZero", NumberFormat::kDecimalZero},
    {"bullet", NumberFormat::kBullet},
    {"ganada", NumberFormat::kGanada},
    {"chosung", NumberFormat::kChosung},
    {"decimalEnclosedFullstop", NumberFormat::kDecimalEnclosedFullstop},
    {"decimalEnclosedParen", NumberFormat::kDecimalEnclosedParen},
    {"decimalEnclosedCircleChinese", NumberFormat::kDecimalEnclosedCircleChinese},
    {"ideographEnclosedCircle", NumberFormat::kIdeographEnclosedCircle},
    {"ideographTraditional", NumberFormat::kIdeographTraditional},
    {"ideographZodiac", NumberFormat::kIdeographZodiac},
    {"ideographZodiacTraditional", NumberFormat::kIdeographZodiacTraditional},
    {"taiwaneseCounting", NumberFormat::kTaiwaneseCounting},
    {"ideographLegalTraditional", NumberFormat::kIdeographLegalTraditional},
    {"taiwaneseCountingThousand", NumberFormat::kTaiwaneseCountingThousand},
    {"taiwaneseDigital", NumberFormat::kTaiwaneseDigital},
    {"chineseCounting", NumberFormat::kChineseCounting},
    {"chineseLegalSimplified", NumberFormat::kChineseLegalSimplified},
    {"chineseCountingThousand", NumberFormat::kChineseCountingThousand},
    {"none", NumberFormat::kNone},
};

constexpr int kNoneCode = 0xFF;
constexpr int kMaxCounted = 9999;  // the counting formats stop at thousands

std::u16string Ascii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string Decimal(int value) { return Ascii(std::to_string(value)); }

std::u16string Roman(int value, bool upper) {
  static constexpr std::pair<int, std::string_view> kNumerals[] = {
      {1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
      {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
  std::string text;
  for (const auto& [amount, numeral] : kNumerals) {
    for (; value >= amount; value -= amount) text += numeral;
  }
  if (upper) std::transform(text.begin(), text.end(), text.begin(), ::toupper);
  return Ascii(text);
}

// A, B, ..., Z, AA, BB, ...: the letter repeats once more every 26 numbers.
std::u16string Letters(int value, char16_t first) {
  return std::u16string(static_cast<size_t>((value - 1) / 26 + 1),
                        static_cast<char16_t>(first + (value - 1) % 26));
}

std::u16string OrdinalSuffix(int value) {
  int tens = value % 100, ones = value % 10;
  std::string_view suffix = "th";
  if (tens < 11 || tens > 13) {
    if (ones == 1) suffix = "st";
    if (ones == 2) suffix = "nd";
    if (ones == 3) suffix = "rd";
  }
  return Decimal(value) + Ascii(suffix);
}

constexpr std::string_view kOnes[] = {"",        "One",     "Two",       "Three",    "Four",
                                      "Five",    "Six",     "Seven",     "Eight",    "Nine",
                                      "Ten",     "Eleven",  "Twelve",    "Thirteen", "Fourteen",
                                      "Fifteen", "Sixteen", "Seventeen", "Eighteen", "Nineteen"};
constexpr std::string_view kTens[] = {"",      "",      "Twenty",  "Thirty", "Forty",
                                      "Fifty", "Sixty", "Seventy", "Eighty", "Ninety"};

// English words for 1-9999: "Twenty-One", "One Hundred Five".
std::string CardinalWords(int value) {
  std::string words;
  auto add = [&](std::string_view word, std::string_view joint) {
    if (!words.empty()) words += joint;
    words += word;
  };
  if (value >= 1000) add(std::string(kOnes[value / 1000]) + " Thousand", " ");
  if (value % 1000 >= 100) add(std::string(kOnes[value % 1000 / 100]) + " Hundred", " ");
  int rest = value % 100;
  if (rest >= 20) {
    add(kTens[rest / 10], " ");
    if (rest % 10 != 0) add(kOnes[rest % 10], "-");
  } else if (rest > 0) {
    add(kOnes[rest], " ");
  }
  return words;
}

std::string OrdinalWords(int value) {
  static constexpr std::pair<std::string_view, std::string_view> kIrregular[] = {
      {"One", "First"},    {"Two", "Second"}, {"Three", "Third"},   {"Five", "Fifth"},
      {"Eight", "Eighth"}, {"Nine", "Ninth"}, {"Twelve", "Twelfth"}};
  std::string words = CardinalWords(value);
  size_t last = words.find_last_of(" -");
  last = last == std::string::npos ? 0 : last + 1;
  std::string_view tail = std::string_view(words).substr(last);
  for (const auto& [cardinal, ordinal] : kIrregular) {
    if (tail == cardinal) return words.substr(0, last) + std::string(ordinal);
  }
  if (words.back() == 'y') return words.substr(0, words.size() - 1) + "ieth";
  return words + "th";
}

// Each decimal digit by a character of `digits` (ten of them, 0 to 9).
std::u16string DigitByDigit(int value, std::u16string_view digits) {
  std::u16string text;
  for (char c : std::to_string(value)) text += digits[c - '0'];
  return text;
}

// One of a cycle of `symbols`, or decimal beyond it.
std::u16string FromList(int value, std::u16string_view symbols) {
  if (value < 1 || static_cast<size_t>(value) > symbols.size()) return Decimal(value);
  return std::u16string(1, symbols[value - 1]);
}

// 1 to 20 from a run of enclosed numbers starting at `first`.
std::u16string Enclosed(int value, char16_t first) {
  if (value < 1 || value > 20) return Decimal(value);
  return std::u16string(1, static_cast<char16_t>(first + value - 1));
}

// The Chinese way of counting up to 9999: digits with the units of ten,
// hundred and thousand, one zero for any run of zeros inside, none at the
// end, and ten to nineteen without the leading "one" unless `legal`.
struct CountingSystem {
  std::u16string_view digits;  // 0 to 9
  std::u16string_view units;   // ten, hundred, thousand
  bool legal = false;
};

std::u16string Counted(int value, const CountingSystem& system) {
  if (value < 0 || value > kMaxCounted) return Decimal(value);
  if (value == 0) return std::u16string(1, system.digits[0]);
  std::u16string text;
  bool zero_pending = false;
  for (int power = 3; power >= 0; --power) {
    int scale = power == 3 ? 1000 : power == 2 ? 100 : power == 1 ? 10 : 1;
    int digit = value / scale % 10;
    if (digit == 0) {
      zero_pending = !text.empty();
      continue;
    }
    if (zero_pending) text += system.digits[0];
    zero_pending = false;
    bool bare_ten = power == 1 && digit == 1 && text.empty() && !system.legal;
    if (!bare_ten) text += system.digits[digit];
    if (power > 0) text += system.units[power - 1];
  }
  return text;
}

constexpr CountingSystem kChineseCounting{u"〇一二三四五六七八九", u"十百千"};
constexpr CountingSystem kChineseThousand{u"零一二三四五六七八九", u"十百千"};
constexpr CountingSystem kChineseLegal{u"零壹贰叁肆伍陆柒捌玖", u"拾佰仟", true};
constexpr CountingSystem kTraditionalLegal{u"零壹貳參肆伍陸柒捌玖", u"拾佰仟", true};
constexpr CountingSystem kJapaneseCounting{u"〇一二三四五六七八九", u"十百千"};

constexpr std::u16string_view kHeavenlyStems = u"甲乙丙丁戊己庚辛壬癸";
constexpr std::u16string_view kEarthlyBranches = u"子丑寅卯辰巳午未申酉戌亥";
constexpr std::u16string_view kAiueo =
    u"アイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホマミムメモヤユヨラリルレロワヲン";
constexpr std::u16string_view kIroha =
    u"イロハニホヘトチリヌルヲワカヨタレソツネナラムウヰノオクヤマケフコエテアサキユメミシヱヒモセ"
    u"ス";

std::u16string ZodiacCycle(int value) {
  if (value < 1 || value > 60) return Decimal(value);
  std::u16string text;
  text += kHeavenlyStems[(value - 1) % 10];
  text += kEarthlyBranches[(value - 1) % 12];
  return text;
}

std::u16string FullWidth(std::u16string text) {
  for (char16_t& c : text) {
    if (c >= u'0' && c <= u'9') c = static_cast<char16_t>(c - u'0' + 0xFF10);
  }
  return text;
}

// The label of a paragraph at `level`: its pattern with the numbers of
// `values` filled in.
std::u16string LabelText(const ListLevels& levels, int level,
                         const std::array<int, kListLevels>& values) {
  const ListLevel& own = levels[level];
  std::u16string text;
  for (char16_t c : own.pattern) {
    if (c > kLastPlaceholder) {
      // Symbol fonts keep their characters at U+F0xx; the page shows the
      // font's own code, as Word's page does.
      text += c >= 0xF000 && c <= 0xF0FF ? static_cast<char16_t>(c - 0xF000) : c;
      continue;
    }
    NumberFormat format = levels[c].format;
    if (own.legal && format != NumberFormat::kDecimalZero && format != NumberFormat::kNone &&
        format != NumberFormat::kBullet) {
      format = NumberFormat::kDecimal;
    }
    text += FormatNumber(values[c], format);
  }
  return text;
}

}  // namespace

NumberFormat NumberFormatOfCode(int nfc) {
  if (nfc == kNoneCode) return NumberFormat::kNone;
  if (nfc < 0 || nfc >= static_cast<int>(NumberFormat::kNone)) return NumberFormat::kDecimal;
  return static_cast<NumberFormat>(nfc);
}

NumberFormat NumberFormatOfName(std::string_view name) {
  for (const auto& [known, format] : kFormatNames) {
    if (known == name) return format;
  }
  return NumberFormat::kDecimal;
}

std::u16string FormatNumber(int value, NumberFormat format) {
  bool positive = value > 0;
  switch (format) {
    case NumberFormat::kNone:
    case NumberFormat::kBullet:
      return {};
    case NumberFormat::kUpperRoman:
    case NumberFormat::kLowerRoman:
      return positive ? Roman(value, format == NumberFormat::kUpperRoman) : Decimal(value);
    case NumberFormat::kUpperLetter:
    case NumberFormat::kLowerLetter:
      return positive ? Letters(value, format == NumberFormat::kUpperLetter ? u'A' : u'a')
                      : Decimal(value);
    case NumberFormat::kOrdinal:
      return OrdinalSuffix(value);
    case NumberFormat::kCardinalText:
      return positive && value <= kMaxCounted ? Ascii(CardinalWords(value)) : Decimal(value);
    case NumberFormat::kOrdinalText:
      return positive && value <= kMaxCounted ? Ascii(OrdinalWords(value)) : Decimal(value);
    case NumberFormat::kHex: {
      static constexpr char kHexDigits[] = "0123456789ABCDEF";
      std::u16string text;
      for (unsigned rest = static_cast<unsigned>(std::max(value, 0)); text.empty() || rest > 0;
           rest /= 16) {
        text.insert(text.begin(), kHexDigits[rest % 16]);
      }
      return text;
    }
    case NumberFormat::kChicago:
      return positive ? std::u16string(static_cast<size_t>((value - 1) / 4 + 1),
                                       u"*†‡§"[(value - 1) % 4])
                      : Decimal(value);
    case NumberFormat::kIdeographDigital:
    case NumberFormat::kTaiwaneseDigital:
      return DigitByDigit(value, u"〇一二三四五六七八九");
    case NumberFormat::kJapaneseCounting:
      return Counted(value, kJapaneseCounting);
    case NumberFormat::kAiueo:
    case NumberFormat::kAiueoFullWidth:
      return FromList(value, kAiueo);
    case NumberFormat::kIroha:
    case NumberFormat::kIrohaFullWidth:
      return FromList(value, kIroha);
    case NumberFormat::kDecimalFullWidth:
    case NumberFormat::kDecimalFullWidth2:
      return FullWidth(Decimal(value));
    case NumberFormat::kDecimalEnclosedCircle:
    case NumberFormat::kDecimalEnclosedCircleChinese:
      return Enclosed(value, u'\u2460');
    case NumberFormat::kDecimalEnclosedFullstop:
      return Enclosed(value, u'\u2488');
    case NumberFormat::kDecimalEnclosedParen:
      return Enclosed(value, u'\u2474');
    case NumberFormat::kIdeographEnclosedCircle:
      return value >= 1 && value <= 10
                 ? std::u16string(1, static_cast<char16_t>(0x3280 + value - 1))
                 : Decimal(value);
    case NumberFormat::kDecimalZero:
      return value >= 0 && value < 10 ? u"0" + Decimal(value) : Decimal(value);
    case NumberFormat::kIdeographTraditional:
      return FromList(value, kHeavenlyStems);
    case NumberFormat::kIdeographZodiac:
      return FromList(value, kEarthlyBranches);
    case NumberFormat::kIdeographZodiacTraditional:
      return ZodiacCycle(value);
    case NumberFormat::kTaiwaneseCounting:
    case NumberFormat::kChineseCounting:
      return Counted(value, kChineseCounting);
    case NumberFormat::kTaiwaneseCountingThousand:
    case NumberFormat::kChineseCountingThousand:
      return Counted(value, kChineseThousand);
    case NumberFormat::kChineseLegalSimplified:
      return Counted(value, kChineseLegal);
    case NumberFormat::kIdeographLegalTraditional:
      return Counted(value, kTraditionalLegal);
    default:
      return Decimal(value);
  }
}

std::u16string PatternOfLevelText(std::u16string_view level_text) {
  std::u16string pattern;
  for (size_t i = 0; i < level_text.size(); ++i) {
    char16_t next = i + 1 < level_text.size() ? level_text[i + 1] : 0;
    if (level_text[i] == u'%' && next >= u'1' && next <= u'9') {
      pattern += static_cast<char16_t>(next - u'1');
      ++i;
    } else if (level_text[i] > kLastPlaceholder) {
      pattern += level_text[i];
    }
  }
  return pattern;
}

std::shared_ptr<const ListLabel> ListCounter::Next(const ListInstance& instance, int level) {
  level = std::clamp(level, 0, kListLevels - 1);
  const ListLevels& levels = instance.levels;
  Counters& counters = lists_[instance.counters];
  if (started_.insert(instance.id).second) {
    for (int overridden = 0; overridden < kListLevels; ++overridden) {
      if (instance.restarts[overridden]) counters.used[overridden] = false;
    }
  }
  // A level above that has not been used yet stands at its start, and
  // counts on from there: a first-level item after a run of sub-items
  // that began the list is the second.
  for (int above = 0; above < level; ++above) {
    if (counters.used[above]) continue;
    counters.used[above] = true;
    counters.value[above] = levels[above].start;
  }
  const ListLevel& own = levels[level];
  counters.value[level] = counters.used[level] ? counters.value[level] + 1 : own.start;
  counters.used[level] = true;
  std::array<int, kListLevels> shown = counters.value;
  for (int deeper = level + 1; deeper < kListLevels; ++deeper) {
    if (level < levels[deeper].restart_below) counters.used[deeper] = false;
    if (!counters.used[deeper]) shown[deeper] = levels[deeper].start;
  }
  auto label = std::make_shared<ListLabel>();
  label->font = own.font;
  label->right_aligned = own.right_aligned;
  label->followed = own.followed;
  if (own.format != NumberFormat::kNone) label->text = LabelText(levels, level, shown);
  return label;
}

}  // namespace quillmere::document
