#include "platform/encoding/unicode.h"

namespace quillmere::unicode {

size_t Utf8CharacterLength(std::string_view bytes, char32_t* code_point) {
  if (bytes.empty()) return 0;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  const size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x06 ? 2
                        : (lead >> 4) == 0x0E ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
  if (length == 0 || length > bytes.size()) return 0;
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(bytes[k]);
    if ((next >> 6) != 0x02) return 0;
    c = (c << 6) | (next & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  *code_point = c;
  return length;
}

namespace {

// Whether `bytes` starts with a surrogate written as three bytes of UTF-8.
bool StartsWithEncodedSurrogate(std::string_view bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xED &&
         (static_cast<unsigned char>(bytes[1]) & 0xE0) == 0xA0 &&
         (static_cast<unsigned char>(bytes[2]) & 0xC0) == 0x80;
}

}  // namespace

std::u16string FromUtf8(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    char32_t cp = 0;
    const size_t length = Utf8CharacterLength(in.substr(i), &cp);
    if (length == 0) {
      out.push_back(u'\uFFFD');
      i += StartsWithEncodedSurrogate(in.substr(i)) ? 3 : 1;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return out;
}

std::string ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  AppendUtf8(s, &out);
  return out;
}

// Written straight into room made at once (a unit takes at most three
// bytes, a surrogate pair four for its two), the room left over cut off.
void AppendUtf8(std::u16string_view s, std::string* to) {
  std::string& out = *to;
  const size_t start = out.size();
  out.resize(start + 3 * s.size());
  auto* p = reinterpret_cast<unsigned char*>(out.data() + start);
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t cp = s[i];
    if (cp < 0x80) {
      *p++ = static_cast<unsigned char>(cp);
      continue;
    }
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
        s[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (s[++i] - 0xDC00);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x800) {
      *p++ = static_cast<unsigned char>(0xC0 | (cp >> 6));
      *p++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      *p++ = static_cast<unsigned char>(0xE0 | (cp >> 12));
      *p++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    } else {
      *p++ = static_cast<unsigned char>(0xF0 | (cp >> 18));
      *p++ = static_cast<unsigned char>(0x80 | ((cp >> 12) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
      *p++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    }
  }
  out.resize(static_cast<size_t>(reinterpret_cast<char*>(p) - out.data()));
}

std::u16string FromNumber(int64_t n) {
  const std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

}  // namespace quillmere::unicode
