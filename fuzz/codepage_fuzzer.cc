// The code page 936 decoder and encoder, both ways.
//
// Bytes: decoding gives at most one unit per byte, and bytes that decode
// without a replacement character encode back to themselves. Text (the same
// bytes taken in pairs as UTF-16): encoding it whole gives what encoding its
// characters one by one gives, in both modes for characters code page 936
// lacks, and decoding that gives the text back with those characters as
// "?" or "&#N;" (a lone surrogate always as "?").
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_checks.h"
#include "platform/encoding/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere::codepage;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::u16string decoded = DecodeCp936(bytes);
  QM_FUZZ_CHECK(decoded.size() <= bytes.size());
  if (decoded.find(u'\uFFFD') == std::u16string::npos) {
    QM_FUZZ_CHECK(EncodeCp936(decoded, Unencodable::kQuestionMark) == bytes);
  }

  // Each call opens a converter, which takes longer than the conversion: the
  // character-by-character comparison looks at the first 128 units.
  std::u16string text(std::min<size_t>(size / 2, 128), u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);
  for (Unencodable mode : {Unencodable::kQuestionMark, Unencodable::kCharacterReference}) {
    std::string one_by_one;
    std::u16string expected;
    for (size_t i = 0; i < text.size();) {
      size_t units = 1;
      if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
          text[i + 1] <= 0xDFFF) {
        units = 2;
      }
      const std::u16string character = text.substr(i, units);
      const std::string encoded = EncodeCp936(character, mode);
      one_by_one += encoded;
      const std::u16string back = DecodeCp936(encoded);
      if (back != character) {
        // Only a character code page 936 lacks may change, and only to its
        // stand-in; a lone surrogate's reference is the replacement
        // character's.
        const bool lone = units == 1 && text[i] >= 0xD800 && text[i] <= 0xDFFF;
        if (mode == Unencodable::kQuestionMark) {
          QM_FUZZ_CHECK(back == u"?");
        } else if (lone) {
          QM_FUZZ_CHECK(back == u"&#65533;");
        } else {
          QM_FUZZ_CHECK(back.size() > 3 && back.rfind(u"&#", 0) == 0 && back.back() == u';');
        }
      }
      expected += back;
      i += units;
    }
    const std::string whole = EncodeCp936(text, mode);
    QM_FUZZ_CHECK(whole == one_by_one);
    QM_FUZZ_CHECK(DecodeCp936(whole) == expected);
  }
  return 0;
}
