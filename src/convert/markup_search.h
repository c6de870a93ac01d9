// The searches the conversion's parts share over markup: tokens matched
// without regard to ASCII case, positions counted from 1 as the
// span-attribute rules and the row-tag progress text count them, and the
// cut of every occurrence of a text (from a parallel text too).
#pragma once

#include <algorithm>
#include <cstddef>

#include "convert/ustring.h"

namespace quillmere::conversion_detail {

// `s` starts with `token`, whose letters are lowercase ASCII, in any case.
// The tokens the passes look for hold no "i" or "k", the only lowercase ASCII
// letters another letter (U+0130, the Kelvin sign) lowers into, so comparing
// ASCII letters without case finds them exactly where the lowercased text
// has them.
inline bool StartsWithNoCase(text::TextView s, text::TextView token) {
  if (s.size() < token.size()) return false;
  for (size_t k = 0; k < token.size(); ++k) {
    const char16_t c = s[k], t = token[k];
    if (c != t && !(t >= u'a' && t <= u'z' && c == t - (u'a' - u'A'))) return false;
  }
  return true;
}

// The unit StartsWithNoCase takes for `t` besides itself: the upper case of
// a lowercase ASCII letter, `t` itself for anything else.
inline char16_t UpperCase(char16_t t) { return t >= u'a' && t <= u'z' ? t - (u'a' - u'A') : t; }

// The span-attribute rules and the row-tag progress text count positions in
// a string from 1, with 0 for "not found". These searches do the same; all
// other code of the conversion uses text::'s 0-based indexes.
inline constexpr size_t kNotFound = 0;

inline size_t OneBasedPosition(size_t index) {
  return index == text::TextView::npos ? kNotFound : index + 1;
}

// Position of the first `unit` at or after position `start` (>= 1).
inline size_t OneBasedFind(text::TextView haystack, char16_t unit, size_t start) {
  return OneBasedPosition(text::IndexOf(haystack, unit, start - 1));
}

// Position of the first `needle`, compared without regard to case.
inline size_t OneBasedFindNoCase(text::TextView haystack, text::TextView needle) {
  return OneBasedPosition(text::IndexOfNoCase(haystack, needle));
}

// Every occurrence of `what` in `s` removed, left to right; with `parallel`
// (a text of the same length), the same stretches removed from it too.
inline void RemoveAll(text::Text& s, text::TextView what, text::Text* parallel) {
  size_t read = 0, write = 0;
  for (size_t at = text::IndexOf(s, what); !what.empty() && at != text::Text::npos;
       at = text::IndexOf(s, what, read)) {
    std::copy(s.begin() + read, s.begin() + at, s.begin() + write);
    if (parallel)
      std::copy(parallel->begin() + read, parallel->begin() + at, parallel->begin() + write);
    write += at - read;
    read = at + what.size();
  }
  std::copy(s.begin() + read, s.end(), s.begin() + write);
  s.resize(write + (s.size() - read));
  if (parallel) {
    std::copy(parallel->begin() + read, parallel->end(), parallel->begin() + write);
    parallel->resize(s.size());
  }
}

}  // namespace quillmere::conversion_detail
