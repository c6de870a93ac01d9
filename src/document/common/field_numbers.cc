#include "document/common/field_numbers.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/encoding/ascii.h"

namespace quillmere::document {
namespace {

// Counters of the fields' own lists, below every key a file's lists use.
constexpr int64_t kFirstFieldKey = -(int64_t{1} << 40);
constexpr int64_t kAutoNumKey = kFirstFieldKey - 1;
constexpr int64_t kLegalKey = kFirstFieldKey - 2;
constexpr int64_t kBuiltInKeys = kFirstFieldKey - 3;   // and the next two below
constexpr int64_t kRestartKeys = kFirstFieldKey - 16;  // and below: LISTNUM \s fields

// A field instruction as words: the field's name, its arguments, and its
// switches each with its argument.
struct Instruction {
  std::u16string name;  // upper case
  std::vector<std::u16string> arguments;
  std::vector<std::pair<char16_t, std::u16string>> switches;

  const std::u16string* Switch(char16_t letter) const {
    for (const auto& [given, argument] : switches) {
      if (ascii::ToLower(given) == letter) return &argument;
    }
    return nullptr;
  }
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == u'\r'; }

// The switches that stand alone; every other one takes the next word.
bool TakesArgument(char16_t letter) {
  letter = ascii::ToLower(letter);
  return letter != u'e' && letter != u'c' && letter != u'h' && letter != u'n';
}

// The next word of `text` from `*at`: a quoted one without its quotes.
std::u16string NextWord(std::u16string_view text, size_t* at) {
  while (*at < text.size() && IsBlank(text[*at])) ++*at;
  std::u16string word;
  if (*at < text.size() && (text[*at] == u'"' || text[*at] == u'\u201C')) {
    for (++*at; *at < text.size() && text[*at] != u'"' && text[*at] != u'\u201D'; ++*at) {
      word += text[*at];
    }
    ++*at;
    return word;
  }
  for (; *at < text.size() && !IsBlank(text[*at]); ++*at) word += text[*at];
  return word;
}

Instruction Parse(std::u16string_view text) {
  Instruction instruction;
  size_t at = 0;
  for (char16_t c : NextWord(text, &at)) {
    instruction.name += c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
  }
  while (at < text.size()) {
    std::u16string word = NextWord(text, &at);
    if (word.size() >= 2 && word[0] == u'\\') {
      std::u16string argument = word.substr(2);  // "\s:" holds its argument
      if (argument.empty() && TakesArgument(word[1])) argument = NextWord(text, &at);
      instruction.switches.emplace_back(word[1], std::move(argument));
    } else if (!word.empty()) {
      instruction.arguments.push_back(std::move(word));
    }
  }
  return instruction;
}

std::optional<int> Number(const std::u16string* text) {
  if (text == nullptr || text->empty()) return std::nullopt;
  int value = 0;
  for (char16_t c : *text) {
    if (c < u'0' || c > u'9' || value > 99999) return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

// The number format a "\*" switch names; decimal for none or another.
NumberFormat FormatOf(const Instruction& instruction) {
  const std::u16string* name = instruction.Switch(u'*');
  if (name == nullptr || name->empty()) return NumberFormat::kDecimal;
  bool upper = (*name)[0] >= u'A' && (*name)[0] <= u'Z';
  if (ascii::EqualsIgnoringCase(*name, u"alphabetic")) {
    return upper ? NumberFormat::kUpperLetter : NumberFormat::kLowerLetter;
  }
  if (ascii::EqualsIgnoringCase(*name, u"roman")) {
    return upper ? NumberFormat::kUpperRoman : NumberFormat::kLowerRoman;
  }
  if (ascii::EqualsIgnoringCase(*name, u"ordinal")) return NumberFormat::kOrdinal;
  if (ascii::EqualsIgnoringCase(*name, u"hex")) return NumberFormat::kHex;
  return NumberFormat::kDecimal;
}

// The lists LISTNUM names, each level's text and number format.
struct BuiltInList {
  std::u16string_view name;
  const char16_t* texts[kListLevels];
  NumberFormat formats[kListLevels];
};

using F = NumberFormat;
constexpr BuiltInList kBuiltInLists[] = {
    {u"NumberDefault",
     {u"%1)", u"%2)", u"%3)", u"(%4)", u"(%5)", u"(%6)", u"%7.", u"%8.", u"%9."},
     {F::kDecimal, F::kLowerLetter, F::kLowerRoman, F::kDecimal, F::kLowerLetter, F::kLowerRoman,
      F::kDecimal, F::kLowerLetter, F::kLowerRoman}},
    {u"OutlineDefault",
     {u"%1.", u"%2.", u"%3.", u"%4)", u"(%5)", u"(%6)", u"(%7)", u"(%8)", u"(%9)"},
     {F::kUpperRoman, F::kUpperLetter, F::kDecimal, F::kLowerLetter, F::kDecimal, F::kLowerLetter,
      F::kLowerRoman, F::kLowerLetter, F::kLowerRoman}},
    {u"LegalDefault",
     {u"%1.", u"%1.%2.", u"%1.%2.%3.", u"%1.%2.%3.%4.", u"%1.%2.%3.%4.%5.", u"%1.%2.%3.%4.%5.%6.",
      u"%1.%2.%3.%4.%5.%6.%7.", u"%1.%2.%3.%4.%5.%6.%7.%8.", u"%1.%2.%3.%4.%5.%6.%7.%8.%9."},
     {F::kDecimal, F::kDecimal, F::kDecimal, F::kDecimal, F::kDecimal, F::kDecimal, F::kDecimal,
      F::kDecimal, F::kDecimal}},
};
constexpr size_t kNumberDefault = 0;

// The built-in list `index` of kBuiltInLists, as an instance of its own.
const ListInstance& BuiltIn(size_t index) {
  static const std::vector<ListInstance> lists = [] {
    std::vector<ListInstance> made;
    for (const BuiltInList& built_in : kBuiltInLists) {
      ListInstance list;
      list.id = list.counters = kBuiltInKeys - static_cast<int64_t>(made.size());
      for (int i = 0; i < kListLevels; ++i) {
        list.levels[i].pattern = PatternOfLevelText(built_in.texts[i]);
        list.levels[i].format = built_in.formats[i];
      }
      made.push_back(std::move(list));
    }
    return made;
  }();
  return lists[index];
}

const ListInstance* BuiltInNamed(std::u16string_view name) {
  for (size_t i = 0; i < std::size(kBuiltInLists); ++i) {
    if (ascii::EqualsIgnoringCase(name, kBuiltInLists[i].name)) return &BuiltIn(i);
  }
  return nullptr;
}

}  // namespace

void FieldNumbers::StartParagraph(int heading, const ListInstance* list, int list_level) {
  ++paragraph_;
  heading_ = std::clamp(heading, 0, kListLevels);
  if (heading_ > 0) heading_at_[heading_] = paragraph_;
  paragraph_list_ = list;
  paragraph_level_ = list_level;
  listnum_level_in_paragraph_ = -1;
  if (list != nullptr) {
    last_list_ = list;
    last_level_ = list_level;
  }
}

bool FieldNumbers::IgnoresStoredResult(std::u16string_view instruction) {
  std::u16string name = Parse(instruction).name;
  return name == u"AUTONUM" || name == u"AUTONUMLGL" || name == u"LISTNUM";
}

std::optional<std::u16string> FieldNumbers::Result(std::u16string_view text) {
  Instruction instruction = Parse(text);
  NumberFormat format = FormatOf(instruction);
  if (instruction.name == u"AUTONUM" || instruction.name == u"AUTONUMLGL") {
    const std::u16string* separator = instruction.Switch(u's');
    std::u16string shown =
        separator == nullptr || separator->empty() ? u"." : separator->substr(0, 1);
    bool legal = instruction.name == u"AUTONUMLGL";
    return AutoNumber(legal, shown, !(legal && instruction.Switch(u'e')), format);
  }
  if (instruction.name == u"LISTNUM") {
    std::u16string name = instruction.arguments.empty() ? u"" : instruction.arguments[0];
    return ListNumber(name, Number(instruction.Switch(u'l')), Number(instruction.Switch(u's')));
  }
  if (instruction.name == u"SEQ" && !instruction.arguments.empty()) {
    return SequenceNumber(instruction.arguments[0], instruction.Switch(u'c') != nullptr,
                          instruction.Switch(u'h') != nullptr, Number(instruction.Switch(u'r')),
                          Number(instruction.Switch(u's')), format);
  }
  return std::nullopt;
}

// A heading counts at its own level; body text one level below the last
// heading that held such a field, so each such heading starts it again.
std::u16string FieldNumbers::AutoNumber(bool legal, std::u16string_view separator, bool trailing,
                                        NumberFormat format) {
  int& last_heading = legal ? legal_heading_ : autonum_heading_;
  if (heading_ > 0) last_heading = heading_;
  int level = std::min(heading_ > 0 ? heading_ - 1 : last_heading, kListLevels - 1);
  ListInstance list;
  list.id = list.counters = legal ? kLegalKey : kAutoNumKey;
  for (int i = 0; i <= level; ++i) list.levels[i].format = format;
  std::u16string& pattern = list.levels[level].pattern;
  for (int above = legal ? 0 : level; above <= level; ++above) {
    if (!pattern.empty()) pattern += separator;
    pattern += static_cast<char16_t>(above);
  }
  if (trailing) pattern += separator;
  return lists_.Next(list, level)->text;
}

std::u16string FieldNumbers::ListNumber(std::u16string_view name, std::optional<int> level,
                                        std::optional<int> start) {
  const ListInstance* list = BuiltInNamed(name);
  bool own_paragraph = false;
  if (list == nullptr && paragraph_list_ != nullptr) {
    list = paragraph_list_;
    own_paragraph = true;
  }
  if (list == nullptr) list = last_list_ != nullptr ? last_list_ : &BuiltIn(kNumberDefault);
  int shown_level = level                              ? *level - 1
                    : listnum_level_in_paragraph_ >= 0 ? listnum_level_in_paragraph_
                    : own_paragraph                    ? paragraph_level_ + 1
                    : list == last_list_               ? last_level_
                                                       : 0;
  shown_level = std::clamp(shown_level, 0, kListLevels - 1);
  listnum_level_in_paragraph_ = shown_level;
  if (!own_paragraph) {
    last_list_ = list;
    last_level_ = shown_level;
  }
  if (!start) return lists_.Next(*list, shown_level)->text;
  // A start value begins the level again here, in an instance of its own.
  ListInstance restarted = *list;
  restarted.id = kRestartKeys - restarts_++;
  restarted.levels[shown_level].start = *start;
  restarted.restarts[shown_level] = true;
  return lists_.Next(restarted, shown_level)->text;
}

std::u16string FieldNumbers::SequenceNumber(std::u16string_view id, bool repeat, bool hidden,
                                            std::optional<int> reset,
                                            std::optional<int> heading_reset, NumberFormat format) {
  std::u16string key;
  for (char16_t c : id) key += ascii::ToLower(c);
  Sequence& sequence = sequences_[key];
  if (heading_reset) {
    for (int level = 1; level <= std::min(*heading_reset, kListLevels); ++level) {
      if (heading_at_[level] > sequence.counted_at) sequence.value = 0;
    }
  }
  if (reset) {
    sequence.value = *reset;
  } else if (!repeat) {
    ++sequence.value;
  }
  sequence.counted_at = paragraph_;
  return hidden ? std::u16string() : FormatNumber(sequence.value, format);
}

}  // namespace quillmere::document
