#include "platform/encoding/unicode.h"

namespace quillmere::unicode {

std::u16string FromUtf8(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  for (size_t i = 0; i < in.size();) {
    unsigned char b = in[i];
    int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = len > 0 && i + len <= in.size();
    for (int k = 1; valid && k < len; ++k) {
      unsigned char c = in[i + k];
      valid = (c >> 6) == 2;
      cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!valid || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
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
