// Text in the system's ANSI code page, 936 (GBK), the one its files use.
//
// Both directions are table-driven and write straight into their result; a
// table entry is learned from iconv the first time the character is met, so
// the tables agree with iconv's CP936 by construction and cost nothing for
// characters a text does not hold.
#pragma once

#include <string>
#include <string_view>

namespace quillmere::codepage {

inline constexpr size_t kAllValid = std::string_view::npos;

// Decodes a text that arrives in pieces (a file read a piece at a time),
// appending to `text`: the result is what decoding the pieces joined gives,
// wherever they were cut. A byte that starts no valid character becomes
// U+FFFD and decoding goes on with the next byte.
class TextDecoder {
 public:
  enum class Encoding { kCp936, kUtf8, kUtf16Le, kUtf16Be };
  TextDecoder(Encoding encoding, std::u16string* text);

  // Makes room in the text, at once, for `bytes` more bytes.
  void Reserve(size_t bytes);
  void Decode(std::string_view piece);
  // After the last piece: a character cut off at the end is invalid.
  void Finish();
  // The offset (counted over all pieces) of the first invalid byte, or
  // kAllValid, and that byte.
  size_t first_invalid() const { return first_invalid_; }
  unsigned char first_invalid_byte() const { return first_invalid_byte_; }

 private:
  size_t DecodeSome(std::string_view bytes, bool at_end);

  const Encoding encoding_;
  std::u16string* text_;
  std::string pending_;  // a character cut off by the last piece's end
  size_t offset_ = 0;    // of pending_'s first byte
  size_t first_invalid_ = kAllValid;
  unsigned char first_invalid_byte_ = 0;
};

// Bytes in code page 936 to text. A byte that starts no valid character
// becomes U+FFFD and decoding goes on with the next byte. `first_invalid`,
// when given, receives the offset of the first such byte, or kAllValid.
std::u16string DecodeCp936(std::string_view bytes, size_t* first_invalid = nullptr);

// Bytes in UTF-8 to text, the same way: a byte that starts no valid UTF-8
// sequence (an overlong form, a surrogate, a code point past U+10FFFF, a cut
// sequence) becomes U+FFFD, and `first_invalid` receives its offset.
std::u16string DecodeUtf8(std::string_view bytes, size_t* first_invalid = nullptr);

// What becomes of a character that code page 936 cannot hold.
enum class Unencodable {
  kQuestionMark,        // "?", as the system's own text files have it
  kCharacterReference,  // "&#NNNNN;", for web pages
};

// Text to bytes in code page 936.
std::string EncodeCp936(std::u16string_view text, Unencodable mode);

// The same, appended to `out`. A text encoded piece by piece gives the bytes
// of the whole as long as no piece ends between the halves of a surrogate
// pair.
void AppendCp936(std::u16string_view text, Unencodable mode, std::string* out);

}  // namespace quillmere::codepage
