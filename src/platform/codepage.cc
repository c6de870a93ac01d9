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

  // Converts as much of [*in, *in + *in_left) as it can, handing what it
  // makes to `sink` a buffer at a time, so that no buffer the size of the
  // whole text is needed. Returns 0 when all went through, or the errno
  // that stopped it (EILSEQ or EINVAL) with *in at the culprit.
  template <typename Sink>
  int Convert(const char** in, size_t* in_left, Sink&& sink) {
    char buffer[1 << 14];
    while (*in_left > 0) {
      char* out = buffer;
      size_t out_left = sizeof buffer;
      size_t rc = iconv(cd_, const_cast<char**>(in), in_left, &out, &out_left);
      int err = errno;
      sink(std::string_view(buffer, static_cast<size_t>(out - buffer)));
      if (rc != static_cast<size_t>(-1)) return 0;
      if (err != E2BIG) return err;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

// Units of text encoded at a time: the text's UTF-16 bytes are made a block
// at a time rather than all at once.
constexpr size_t kBlockUnits = 1 << 13;

}  // namespace

std::u16string DecodeCp936(std::string_view bytes) {
  Converter converter("UTF-16LE", "CP936");
  std::u16string text;
  text.reserve(bytes.size());  // never more units than bytes
  auto append = [&text](std::string_view utf16) {
    for (size_t i = 0; i + 1 < utf16.size(); i += 2) {
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16[i]) |
                                           (static_cast<unsigned char>(utf16[i + 1]) << 8)));
    }
  };
  const char* in = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    if (converter.Convert(&in, &left, append) == 0) break;
    text.push_back(u'\uFFFD');
    ++in;
    --left;
  }
  return text;
}

std::string EncodeCp936(std::u16string_view text, Unencodable mode) {
  Converter converter("CP936", "UTF-16LE");
  std::string out;
  out.reserve(text.size());  // markup and Latin text take a byte a unit
  auto append = [&out](std::string_view bytes) { out.append(bytes); };
  std::string utf16;
  for (size_t block = 0; block < text.size();) {
    // A block never ends between the two halves of a surrogate pair.
    size_t end = std::min(text.size(), block + kBlockUnits);
    if (end < text.size() && text[end - 1] >= 0xD800 && text[end - 1] <= 0xDBFF) ++end;
    utf16.resize(2 * (end - block));
    for (size_t i = block; i < end; ++i) {
      utf16[2 * (i - block)] = static_cast<char>(text[i] & 0xFF);
      utf16[2 * (i - block) + 1] = static_cast<char>(text[i] >> 8);
    }
    const char* in = utf16.data();
    size_t left = utf16.size();
    while (left > 0) {
      if (converter.Convert(&in, &left, append) == 0) break;
      // The culprit: one unit, or a surrogate pair.
      size_t at = block + (in - utf16.data()) / 2;
      char32_t cp = text[at];
      size_t units = 1;
      bool pair = cp >= 0xD800 && cp <= 0xDBFF && at + 1 < end && text[at + 1] >= 0xDC00 &&
                  text[at + 1] <= 0xDFFF;
      if (pair) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (text[at + 1] - 0xDC00);
        units = 2;
      }
      bool lone_surrogate = !pair && cp >= 0xD800 && cp <= 0xDFFF;
      out += (mode == Unencodable::kCharacterReference && !lone_surrogate)
                 ? "&#" + std::to_string(cp) + ";"
                 : "?";
      in += 2 * units;
      left -= std::min(left, 2 * units);
    }
    block = end;
  }
  return out;
}

}  // namespace quillmere::codepage
