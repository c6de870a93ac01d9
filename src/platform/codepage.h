// Text in the system's ANSI code page, 936 (GBK), the one its files use.
#pragma once

#include <string>
#include <string_view>

namespace quillmere::codepage {

// Bytes in code page 936 to text. A byte that starts no valid character
// becomes U+FFFD and decoding goes on with the next byte.
std::u16string DecodeCp936(std::string_view bytes);

// What becomes of a character that code page 936 cannot hold.
enum class Unencodable {
  kQuestionMark,        // "?", as the system's own text files have it
  kCharacterReference,  // "&#NNNNN;", for web pages
};

// Text to bytes in code page 936.
std::string EncodeCp936(std::u16string_view text, Unencodable mode);

}  // namespace quillmere::codepage
