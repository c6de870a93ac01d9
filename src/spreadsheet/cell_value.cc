#include "spreadsheet/cell_value.h"

#include <charconv>

namespace quillmere::spreadsheet {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether code point `c` takes two columns (East Asian Wide and Fullwidth).
bool IsWide(char32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

}  // namespace

CellValue TypeOf(std::string_view text) {
  CellValue text_cell{CellValue::Kind::kText};
  if (text.empty()) return CellValue{};
  size_t at = text[0] == '-' ? 1 : 0;
  const size_t integer_begin = at;
  while (at < text.size() && IsDigit(text[at])) ++at;
  const size_t integer_digits = at - integer_begin;
  if (integer_digits == 0 || (integer_digits > 1 && text[integer_begin] == '0')) return text_cell;
  size_t decimals = 0;
  if (at < text.size() && text[at] == '.') {
    const size_t fraction_begin = ++at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    decimals = at - fraction_begin;
    if (decimals == 0) return text_cell;
  }
  if (at != text.size()) return text_cell;
  // Significant digits: from the first that is not zero to the end.
  size_t significant = 0;
  for (char c : text.substr(integer_begin)) {
    if (c != '.' && (significant > 0 || c != '0')) ++significant;
  }
  if (significant > kMaxNumberDigits || decimals > kMaxNumberDigits) return text_cell;
  if (significant == 0 && integer_begin == 1) return text_cell;  // minus zero
  CellValue number{CellValue::Kind::kNumber};
  std::from_chars(text.data(), text.data() + text.size(), number.number);
  number.decimals = static_cast<int>(decimals);
  return number;
}

size_t DisplayWidth(std::string_view text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const int length = b < 0xC0 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (length == 1 || i + length > text.size()) {
      ++width;
      ++i;
      continue;
    }
    char32_t c = b & (0x7F >> length);
    for (int k = 1; k < length; ++k)
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    width += IsWide(c) ? 2 : 1;
    i += static_cast<size_t>(length);
  }
  return width;
}

}  // namespace quillmere::spreadsheet
