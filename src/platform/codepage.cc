#include "platform/codepage.h"

#include <iconv.h>
#include <cerrno>

#include <algorithm>
#include <stdexcept>

namespace quillmere::codepage {

namespace {

// An iconv conversion descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts as much of [*in, *in + *in_left) as it can into `out` from
  // `*written` on, growing `out` as needed. Returns 0 when all went through,
  // or the errno that stopped it (EILSEQ or EINVAL) with *in at the culprit.
  int Convert(const char** in, size_t* in_left, std::string& out, size_t* written) {
    while (*in_left > 0) {
      if (out.size() - *written < 64) out.resize(out.size() * 2 + 64);
      char* out_ptr = out.data() + *written;
      size_t out_left = out.size() - *written;
      size_t rc = iconv(cd_, const_cast<char**>(in), in_left, &out_ptr, &out_left);
      int err = errno;
      *written = out_ptr - out.data();
      if (rc != static_cast<size_t>(-1)) return 0;
      if (err != E2BIG) return err;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

void AppendUtf16(std::string& out, size_t* written, char32_t cp) {
  std::u16string units;
  if (cp >= 0x10000) {
    units.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    units.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    units.push_back(static_cast<char16_t>(cp));
  }
  for (char16_t u : units) {
    if (out.size() < *written + 2) out.resize(out.size() * 2 + 64);
    out[(*written)++] = static_cast<char>(u & 0xFF);
    out[(*written)++] = static_cast<char>(u >> 8);
  }
}

}  // namespace

std::u16string DecodeCp936(std::string_view bytes) {
  Converter converter("UTF-16LE", "CP936");
  std::string out(bytes.size() * 2 + 64, '\0');
  size_t written = 0;
  const char* in = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    if (converter.Convert(&in, &left, out, &written) == 0) break;
    AppendUtf16(out, &written, 0xFFFD);
    ++in;
    --left;
  }
  std::u16string text(written / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                    (static_cast<unsigned char>(out[2 * i + 1]) << 8));
  }
  return text;
}

std::string EncodeCp936(std::u16string_view text, Unencodable mode) {
  std::string utf16(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    utf16[2 * i] = static_cast<char>(text[i] & 0xFF);
    utf16[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  Converter converter("CP936", "UTF-16LE");
  std::string out(text.size() * 2 + 64, '\0');
  size_t written = 0;
  const char* in = utf16.data();
  size_t left = utf16.size();
  while (left > 0) {
    if (converter.Convert(&in, &left, out, &written) == 0) break;
    // The culprit: one unit, or a surrogate pair.
    size_t at = (in - utf16.data()) / 2;
    char32_t cp = text[at];
    size_t units = 1;
    bool pair = cp >= 0xD800 && cp <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
                text[at + 1] <= 0xDFFF;
    if (pair) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[at + 1] - 0xDC00);
      units = 2;
    }
    bool lone_surrogate = !pair && cp >= 0xD800 && cp <= 0xDFFF;
    std::string replacement = (mode == Unencodable::kCharacterReference && !lone_surrogate)
                                  ? "&#" + std::to_string(cp) + ";"
                                  : "?";
    out.resize(std::max(out.size(), written + replacement.size()));
    out.replace(written, replacement.size(), replacement);
    written += replacement.size();
    in += 2 * units;
    left -= std::min(left, 2 * units);
  }
  out.resize(written);
  return out;
}

}  // namespace quillmere::codepage
