// UTF-8 <-> UTF-16 and decimal numbers as text, for every layer: messages,
// file names, the page writer and tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere::unicode {

// Invalid input (bad bytes, lone surrogates) becomes U+FFFD.
std::u16string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::u16string_view text);
// ToUtf8(text) appended to `out`, whose buffer is reused.
void AppendUtf8(std::u16string_view text, std::string* out);

// The first half of a surrogate pair: text cut just after it would split a
// character.
inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Decimal digits, with a minus sign when negative.
std::u16string FromNumber(int64_t n);

}  // namespace quillmere::unicode
