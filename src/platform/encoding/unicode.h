// UTF-8 <-> UTF-16 and decimal numbers as text, for every layer: messages,
// file names, the page writer and tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere::unicode {

// Invalid input (bad bytes, lone surrogates) becomes U+FFFD: one for each
// byte that starts no character, and one for a surrogate written as UTF-8
// (the three bytes a lone "&#xD800;" becomes in an XML parser's output).
std::u16string FromUtf8(std::string_view utf8);

// The length (1 to 4) of the UTF-8 character at the start of `bytes`, which
// goes to `*code_point`; 0 when the first byte starts none: a sequence cut
// short, an overlong form, a surrogate, a code point past U+10FFFF.
size_t Utf8CharacterLength(std::string_view bytes, char32_t* code_point);
std::string ToUtf8(std::u16string_view text);
// ToUtf8(text) appended to `out`, whose buffer is reused.
void AppendUtf8(std::u16string_view text, std::string* out);

// The first half of a surrogate pair: text cut just after it would split a
// character.
inline bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Decimal digits, with a minus sign when negative.
std::u16string FromNumber(int64_t n);

}  // namespace quillmere::unicode
