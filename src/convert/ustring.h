// The few string operations the conversion leans on, over UTF-16 text.
//
// Positions are 0-based indexes of UTF-16 code units; npos means "not found".
// A split of an empty string gives no pieces. Replacement runs once from left to right
// and never rescans what it has just produced.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::text {

using Text = std::u16string;
using TextView = std::u16string_view;

// Index of the first `needle` at or after index `from`, comparing exactly, or
// npos: the fast search the rest is built on.
size_t IndexOf(TextView haystack, TextView needle, size_t from = 0);
size_t IndexOf(TextView haystack, char16_t unit, size_t from = 0);
// Index of the first unit equal to `a` or `b` at or after `from`, or npos.
size_t IndexOfEither(TextView haystack, char16_t a, char16_t b, size_t from = 0);

// Index of the first unit at or after `from` that equals `a` or `a_too` and
// is followed by one that equals `b` or `b_too` (say, two letters in either
// case), or npos: a search that stops far less often than one for `a` alone.
size_t IndexOfPair(TextView haystack, char16_t a, char16_t a_too, char16_t b, char16_t b_too,
                   size_t from = 0);

// As IndexOf, comparing without regard to case (both sides lowercased).
size_t IndexOfNoCase(TextView haystack, TextView needle, size_t from = 0);

// Pieces of `s` between the occurrences of `separator`, as views into `s`.
std::vector<TextView> Split(TextView s, TextView separator);

// `s` with every occurrence of `from` replaced by `to`.
Text ReplaceAll(TextView s, TextView from, TextView to);
// The same, in place; cheaper when `to` is empty.
void ReplaceAllInPlace(Text& s, TextView from, TextView to);

// `s` without leading and trailing U+0020 (no other character counts).
TextView TrimSpaces(TextView s);

// Every upper-case letter (of any script, supplementary planes included) in
// its simple lower-case form; the length never changes.
Text Lowercase(TextView s);
// Appends `s` lowercased to `out`: Lowercase(s) appended, without a copy
// of its own.
void AppendLowercase(Text& out, TextView s);
char32_t LowercaseCodePoint(char32_t c);

// A decimal number, optionally signed, with white space around it; a
// fraction rounds to the nearest whole number, halves to the even one.
// Values beyond +/-1e15 saturate there. Nothing for anything else.
std::optional<int64_t> ToWholeNumber(TextView s);

// Decimal digits, with a minus sign when negative.
Text FromNumber(int64_t n);

}  // namespace quillmere::text
