// Names and messages as text that prints as it reads: a file name may hold
// bytes that are no UTF-8 (names are bytes on this system) and control
// characters (a line feed, a terminal's escape sequences) that a terminal
// would obey rather than show.
#pragma once

#include <string>
#include <string_view>

namespace quillmere::printable {

enum class LineBreaks { kEscaped, kKept };

// `bytes` as UTF-8 text safe to print: every byte that starts no UTF-8
// character is written "\xHH", and every control character (U+0000 to
// U+001F, U+007F, U+0080 to U+009F) "\n", "\r", "\t" or "\xHH" for each of
// its bytes; line feeds stay as they are with LineBreaks::kKept (a
// message's own lines). Valid text without control characters comes back
// unchanged.
std::string Escaped(std::string_view bytes, LineBreaks line_breaks = LineBreaks::kEscaped);

}  // namespace quillmere::printable
