#include "forms/cell_text.h"

#include <algorithm>
#include <vector>

#include "forms/form_cells.h"

namespace quillmere::forms {

namespace {

using namespace std::string_view_literals;

// Boxes that make a text a group of options on their own, empty or not.
constexpr std::u16string_view kEmptyBoxes = u"☐□◻▢❑❒❏❐"sv;
constexpr std::u16string_view kChosenBoxes = u"☑☒⌧⊠▣"sv;
// Marks that choose, but are options only beside others: a black square
// or a tick may stand for other things.
constexpr std::u16string_view kChoosingMarks = u"■◼✓✔√"sv;
constexpr std::u16string_view kTicks = u"√✓✔"sv;
constexpr std::u16string_view kOpenBrackets = u"（(［[【"sv;
constexpr std::u16string_view kCloseBrackets = u"）)］]】"sv;
// Where the word before a box begins.
constexpr std::u16string_view kSeparators = u"；;，,、。：:"sv;

// The words of a date to fill in ("自 年 月 日 至 年 月 日").
constexpr std::u16string_view kDateWords = u"年月日时分秒自至到"sv;
// Units a value is written before ("万元", "（场）"), longest first where
// one begins another.
constexpr std::u16string_view kUnits[] = {
    u"平方米", u"平米", u"平方", u"万元", u"千元", u"亿元", u"公斤", u"千克", u"小时", u"M²",
    u"m²",     u"M2",   u"m2",   u"元",   u"万",   u"人",   u"名",   u"次",   u"场",   u"件",
    u"台",     u"套",   u"岁",   u"户",   u"个",   u"米",   u"亩",   u"吨",   u"克",   u"页",
    u"份",     u"张",   u"天",   u"周",   u"%",    u"％",   u"‰",    u"㎡",
};

bool Contains(std::u16string_view set, char16_t c) {
  return set.find(c) != std::u16string_view::npos;
}

bool IsNameCharacter(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
         c == u'_' || c == u'.' || c == u'-';
}

// The length of the placeholder that begins `text`, or 0; `name` gets
// what it names.
size_t PlaceholderAt(std::u16string_view text, std::u16string_view* name) {
  auto enclosed = [&](std::u16string_view open, std::u16string_view close) -> size_t {
    if (text.substr(0, open.size()) != open) return 0;
    const size_t end = text.find(close, open.size());
    if (end == std::u16string_view::npos || end == open.size()) return 0;
    *name = text.substr(open.size(), end - open.size());
    return end + close.size();
  };
  for (auto [open, close] : {std::pair{u"{{"sv, u"}}"sv}, std::pair{u"${"sv, u"}"sv},
                             std::pair{u"«"sv, u"»"sv}, std::pair{u"<<"sv, u">>"sv}}) {
    if (size_t length = enclosed(open, close)) return length;
  }
  if (text.size() > 2 && text[0] == u'$') {
    size_t end = 1;
    while (end < text.size() && IsNameCharacter(text[end])) ++end;
    if (end > 1 && end < text.size() && text[end] == u'$') {
      *name = text.substr(1, end - 1);
      return end + 1;
    }
  }
  size_t underscores = 0;
  while (underscores < text.size() && (text[underscores] == u'_' || text[underscores] == u'＿')) {
    ++underscores;
  }
  *name = {};
  return underscores;
}

// A box, tick or bracket left for a tick, where it stands in a text.
struct Mark {
  size_t begin = 0;
  size_t end = 0;
  bool chosen = false;
  bool strong = false;  // a box, an options group on its own
  bool bracket = false;
};

// A bracket holding only blanks or one tick, at `at`; its end, or 0.
size_t BracketBoxAt(std::u16string_view text, size_t at, bool* ticked) {
  if (!Contains(kOpenBrackets, text[at])) return 0;
  *ticked = false;
  for (size_t i = at + 1; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (Contains(kCloseBrackets, c)) return i + 1;
    if (Contains(kTicks, c) && !*ticked) {
      *ticked = true;
    } else if (!IsBlank(c)) {
      return 0;
    }
  }
  return 0;
}

std::vector<Mark> MarksOf(std::u16string_view text) {
  std::vector<Mark> marks;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    bool ticked = false;
    if (Contains(kEmptyBoxes, c)) {
      marks.push_back({i, i + 1, false, true, false});
    } else if (Contains(kChosenBoxes, c)) {
      marks.push_back({i, i + 1, true, true, false});
    } else if (Contains(kChoosingMarks, c)) {
      marks.push_back({i, i + 1, true, false, false});
    } else if (size_t end = BracketBoxAt(text, i, &ticked)) {
      marks.push_back({i, end, ticked, false, true});
      i = end - 1;
    }
  }
  return marks;
}

bool MakesOptions(const std::vector<Mark>& marks) {
  for (const Mark& mark : marks) {
    if (mark.strong) return true;
  }
  return marks.size() >= 2;
}

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && (IsBlank(text.front()) || Contains(kSeparators, text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (IsBlank(text.back()) || Contains(kSeparators, text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

// The word that ends `text`: back to a blank, a separator or a bracket
// opened before it; brackets closed within it stay ("样品（样机）").
std::u16string_view LastWord(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  size_t begin = text.size();
  int depth = 0;
  while (begin > 0) {
    const char16_t c = text[begin - 1];
    if (IsBlank(c) || Contains(kSeparators, c)) break;
    if (Contains(kCloseBrackets, c)) ++depth;
    if (Contains(kOpenBrackets, c)) {
      if (depth == 0) break;
      --depth;
    }
    --begin;
  }
  return text.substr(begin);
}

}  // namespace

bool IsPlaceholder(std::u16string_view text) {
  bool any = false;
  while (!text.empty()) {
    if (IsBlank(text.front())) {
      text.remove_prefix(1);
      continue;
    }
    std::u16string_view name;
    const size_t length = PlaceholderAt(text, &name);
    if (length == 0) return false;
    any = true;
    text.remove_prefix(length);
  }
  return any;
}

std::u16string PlaceholderName(std::u16string_view text) {
  std::u16string_view name;
  const size_t length = PlaceholderAt(text, &name);
  if (length == 0 || length != text.size()) return {};
  return std::u16string(Trimmed(name));
}

bool IsHint(std::u16string_view text) {
  // A hint is the words of a date, or one unit: two units side by side
  // ("场 次", "名 次") are a label.
  size_t date_words = 0, units = 0;
  while (!text.empty()) {
    const char16_t c = text.front();
    std::u16string_view name;
    if (IsBlank(c) || Contains(kOpenBrackets, c) || Contains(kCloseBrackets, c)) {
      text.remove_prefix(1);
    } else if (size_t placeholder = PlaceholderAt(text, &name)) {
      text.remove_prefix(placeholder);
    } else if (Contains(kDateWords, c)) {
      ++date_words;
      text.remove_prefix(1);
    } else {
      auto unit = std::find_if(std::begin(kUnits), std::end(kUnits), [&](std::u16string_view u) {
        return text.substr(0, u.size()) == u;
      });
      if (unit == std::end(kUnits)) return false;
      ++units;
      text.remove_prefix(unit->size());
    }
  }
  return (units == 0 && date_words >= 1) || (units == 1 && date_words == 0);
}

bool IsQuantity(std::u16string_view text) {
  bool digits = false;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') {
      digits = true;
    } else if (!IsBlank(c) && !Contains(u".,:/-+%％()（）·"sv, c) && !Contains(kDateWords, c) &&
               std::none_of(std::begin(kUnits), std::end(kUnits),
                            [&](std::u16string_view u) { return u.size() == 1 && u[0] == c; })) {
      return false;
    }
  }
  return digits;
}

bool IsOptions(std::u16string_view text) { return MakesOptions(MarksOf(text)); }

std::u16string ChosenOptions(std::u16string_view text) {
  const std::vector<Mark> marks = MarksOf(text);
  if (!MakesOptions(marks)) return {};
  const std::u16string_view start = Trimmed(text);
  const bool boxes_lead =
      !marks.front().bracket && !start.empty() && start.data() == text.data() + marks.front().begin;
  std::u16string chosen;
  for (size_t m = 0; m < marks.size(); ++m) {
    if (!marks[m].chosen) continue;
    std::u16string_view option;
    if (boxes_lead) {
      const size_t end = m + 1 < marks.size() ? marks[m + 1].begin : text.size();
      option = Trimmed(text.substr(marks[m].end, end - marks[m].end));
    } else {
      const size_t begin = m > 0 ? marks[m - 1].end : 0;
      option = LastWord(text.substr(begin, marks[m].begin - begin));
    }
    // A box without words of its own (a lone "I agree" box) says yes as a
    // ticked box.
    if (option.empty()) option = u"☑";
    if (!chosen.empty()) chosen += u"、";
    chosen += option;
  }
  return chosen;
}

}  // namespace quillmere::forms
