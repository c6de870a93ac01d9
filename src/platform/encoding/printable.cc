#include "platform/encoding/printable.h"

#include "platform/encoding/unicode.h"

namespace quillmere::printable {

namespace {

bool IsControl(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void AppendHex(std::string_view bytes, std::string& out) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (char byte : bytes) {
    const auto b = static_cast<unsigned char>(byte);
    out.append("\\x").push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0F]);
  }
}

}  // namespace

std::string Escaped(std::string_view bytes, LineBreaks line_breaks) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const size_t length = unicode::Utf8CharacterLength(bytes.substr(i), &c);
    if (length == 0) {
      AppendHex(bytes.substr(i, 1), out);
      ++i;
      continue;
    }
    if (!IsControl(c) || (c == U'\n' && line_breaks == LineBreaks::kKept)) {
      out.append(bytes.substr(i, length));
    } else if (c == U'\n' || c == U'\r' || c == U'\t') {
      out.append(c == U'\n' ? "\\n" : c == U'\r' ? "\\r" : "\\t");
    } else {
      AppendHex(bytes.substr(i, length), out);
    }
    i += length;
  }
  return out;
}

}  // namespace quillmere::printable
