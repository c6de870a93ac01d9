// ASCII text helpers for names, keys and statements that the program reads
// without regard to case or to the blanks around them: connection-string
// keys, file extensions, SQL keywords, server names. Only the 26 ASCII
// letters change case; every other byte or code unit stands as it is.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace quillmere::ascii {

template <typename Char>
constexpr Char ToLower(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c + ('a' - 'A')) : c;
}

// `s` with its ASCII letters lowercased.
inline std::string Lower(std::string_view s) {
  std::string lower(s);
  std::transform(lower.begin(), lower.end(), lower.begin(), ToLower<char>);
  return lower;
}

// Whether `a` and `b` are equal but for the case of their ASCII letters.
template <typename Char>
bool EqualsIgnoringCase(std::basic_string_view<Char> a, std::basic_string_view<Char> b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](Char x, Char y) {
           return ToLower(x) == ToLower(y);
         });
}
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return EqualsIgnoringCase<char>(a, b);
}
inline bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return EqualsIgnoringCase<char16_t>(a, b);
}

// `s` without the blanks and tabs at either end.
inline std::string_view TrimBlanks(std::string_view s) {
  const size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

}  // namespace quillmere::ascii
