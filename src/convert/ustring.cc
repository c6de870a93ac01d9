#include "convert/ustring.h"

#include <algorithm>
#include <iterator>

namespace quillmere::text {

namespace {

struct LowercaseRun {
  char32_t first, last;
  int stride;
  int delta;
};

constexpr LowercaseRun kLowercaseRuns[] = {
#include "convert/lowercase_table.inc"
};

inline char16_t LowerUnit(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? c + 32 : c;
  if (c >= 0xD800 && c <= 0xDFFF) return c;  // halves of pairs: see Lowercase
  return static_cast<char16_t>(LowercaseCodePoint(c));
}

// Position (0-based) of the first `c` at or after `from`, or npos.
inline size_t FindUnit(TextView s, char16_t c, size_t from) {
  const char16_t* begin = s.data();
  const char16_t* end = begin + s.size();
  for (const char16_t* p = begin + from; p < end; ++p) {
    if (*p == c) return p - begin;
  }
  return TextView::npos;
}

inline bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

}  // namespace

char32_t LowercaseCodePoint(char32_t c) {
  if (c < 0x41) return c;
  auto it = std::upper_bound(std::begin(kLowercaseRuns), std::end(kLowercaseRuns), c,
                             [](char32_t v, const LowercaseRun& r) { return v < r.first; });
  if (it == std::begin(kLowercaseRuns)) return c;
  const LowercaseRun& run = *(it - 1);
  if (c > run.last || (c - run.first) % run.stride != 0) return c;
  return c + run.delta;
}

size_t Find(TextView haystack, TextView needle, size_t start) {
  if (start == 0) start = 1;
  if (start > haystack.size() + 1) return 0;
  if (needle.empty()) return start;
  if (needle.size() > haystack.size()) return 0;
  const size_t last = haystack.size() - needle.size();
  for (size_t i = FindUnit(haystack, needle[0], start - 1); i != TextView::npos && i <= last;
       i = FindUnit(haystack, needle[0], i + 1)) {
    if (haystack.compare(i, needle.size(), needle) == 0) return i + 1;
  }
  return 0;
}

size_t FindNoCase(TextView haystack, TextView needle, size_t start) {
  if (start == 0) start = 1;
  if (start > haystack.size() + 1) return 0;
  if (needle.empty()) return start;
  if (needle.size() > haystack.size()) return 0;
  const Text folded = Lowercase(needle);
  const size_t last = haystack.size() - needle.size();
  // Only "A".."Z" lower into ASCII letters, apart from U+0130 (to "i") and
  // the Kelvin sign (to "k"); for other first letters two units are enough
  // to look for.
  const char16_t first = folded[0];
  const bool plain = first >= u'a' && first <= u'z' && first != u'i' && first != u'k';
  const char16_t upper = plain ? first - 32 : first;
  for (size_t i = start - 1; i <= last; ++i) {
    const char16_t h = haystack[i];
    if (plain ? (h != first && h != upper) : LowerUnit(h) != first) continue;
    size_t j = 1;
    while (j < folded.size() && LowerUnit(haystack[i + j]) == folded[j]) ++j;
    if (j == folded.size()) return i + 1;
  }
  return 0;
}

std::vector<TextView> Split(TextView s, TextView separator) {
  std::vector<TextView> pieces;
  if (s.empty()) return pieces;
  size_t from = 0;
  for (size_t at = s.find(separator); at != TextView::npos; at = s.find(separator, from)) {
    pieces.push_back(s.substr(from, at - from));
    from = at + separator.size();
  }
  pieces.push_back(s.substr(from));
  return pieces;
}

Text ReplaceAll(TextView s, TextView from, TextView to) {
  Text out;
  out.reserve(s.size());
  size_t pos = 0;
  for (size_t at = s.find(from); !from.empty() && at != TextView::npos; at = s.find(from, pos)) {
    out.append(s, pos, at - pos).append(to);
    pos = at + from.size();
  }
  out.append(s, pos);
  return out;
}

void ReplaceAllInPlace(Text& s, TextView from, TextView to) {
  if (from.empty()) return;
  size_t first = s.find(from);
  if (first == Text::npos) return;
  if (!to.empty()) {
    s = ReplaceAll(s, from, to);
    return;
  }
  // Removal: compact the kept stretches towards the front.
  size_t write = first;
  size_t read = first + from.size();
  for (size_t at = s.find(from, read); at != Text::npos; at = s.find(from, read)) {
    std::copy(s.begin() + read, s.begin() + at, s.begin() + write);
    write += at - read;
    read = at + from.size();
  }
  std::copy(s.begin() + read, s.end(), s.begin() + write);
  s.resize(write + (s.size() - read));
}

TextView TrimSpaces(TextView s) {
  size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  return s.substr(begin, end - begin);
}

Text Lowercase(TextView s) {
  Text out(s);
  for (size_t i = 0; i < out.size(); ++i) {
    char16_t c = out[i];
    if (c < 0x80) {
      if (c >= u'A' && c <= u'Z') out[i] = c + 32;
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < out.size() && out[i + 1] >= 0xDC00 &&
               out[i + 1] <= 0xDFFF) {
      char32_t cp = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (out[i + 1] - 0xDC00);
      char32_t low = LowercaseCodePoint(cp);
      out[i] = static_cast<char16_t>(0xD800 + ((low - 0x10000) >> 10));
      out[i + 1] = static_cast<char16_t>(0xDC00 + ((low - 0x10000) & 0x3FF));
      ++i;
    } else {
      out[i] = LowerUnit(c);
    }
  }
  return out;
}

std::optional<int64_t> ToWholeNumber(TextView s) {
  constexpr int64_t kLimit = 1'000'000'000'000'000;
  size_t i = 0, end = s.size();
  while (i < end && IsWhiteSpace(s[i])) ++i;
  while (end > i && IsWhiteSpace(s[end - 1])) --end;
  bool negative = false;
  if (i < end && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  int64_t whole = 0;
  size_t digits = 0;
  for (; i < end && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
    whole = std::min(kLimit, whole * 10 + (s[i] - u'0'));
  }
  // Fraction: only whether it is below, at or above one half matters.
  int half = -1;  // -1 below, 0 exactly, 1 above
  if (i < end && s[i] == u'.') {
    ++i;
    bool first = true;
    for (; i < end && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits, first = false) {
      int d = s[i] - u'0';
      if (first) {
        half = d < 5 ? -1 : (d > 5 ? 1 : 0);
      } else if (half == 0 && d != 0) {
        half = 1;
      }
    }
  }
  if (digits == 0 || i != end) return std::nullopt;
  if (half > 0 || (half == 0 && whole % 2 == 1)) whole = std::min(kLimit, whole + 1);
  return negative ? -whole : whole;
}

Text FromNumber(int64_t n) {
  std::string digits = std::to_string(n);
  return Text(digits.begin(), digits.end());
}

}  // namespace quillmere::text
