#include "spreadsheet/cell_value.h"

#include <charconv>
#include <string>

#include "platform/encoding/ascii.h"

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

// The words of real forms' and reports' headings that tell what a column
// holds, lowercase. A quantity word after a code word makes the column a
// quantity again: "电话费" is a fee, "账号数量" a count. "序号" and "No."
// are left out on purpose: they number the rows, and as numbers they sort
// 1, 2, ... 10.
constexpr std::string_view kCodeWords[] = {
    "身份证", "证件",   "证号",   "电话", "手机",    "联系方式", "邮编",   "邮政编码",
    "传真",   "号码",   "编号",   "编码", "代码",    "账号",     "帐号",   "卡号",
    "银行卡", "学号",   "工号",   "考号", "单号",    "序列号",   "批号",   "车牌",
    "微信",   "qq",     "id",     "tel",  "fax",     "zip",      "ssn",    "iban",
    "phone",  "mobile", "postal", "code", "account", "passport", "serial", "wechat",
};
constexpr std::string_view kQuantityWords[] = {
    "额", "费",  "价",  "数",   "量",    "率",    "分",    "元",     "次",
    "计", "fee", "sum", "cost", "price", "total", "count", "amount", "balance",
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// Whether `name`'s letters from `at` for `length` are a word of their own:
// no letter runs on at either end, but for a step from a lowercase letter
// to a capital ("StudentID", "userId").
bool StandsAlone(std::string_view name, size_t at, size_t length) {
  const size_t end = at + length;
  const bool starts =
      at == 0 || !IsLetter(name[at - 1]) || (IsLower(name[at - 1]) && IsUpper(name[at]));
  const bool ends =
      end == name.size() || !IsLetter(name[end]) || (IsLower(name[end - 1]) && IsUpper(name[end]));
  return starts && ends;
}

// `name` without the blanks that space out its Chinese ("邮    编", as forms
// align their labels): a run of blanks, tabs and full-width blanks goes
// unless it stands between two ASCII letters or digits ("Zip code").
std::string Packed(std::string_view name) {
  auto is_word_byte = [](char c) { return IsLetter(c) || (c >= '0' && c <= '9'); };
  std::string packed;
  for (size_t i = 0; i < name.size();) {
    size_t end = i;
    while (end < name.size()) {
      if (name[end] == ' ' || name[end] == '\t') {
        ++end;
      } else if (name.substr(end, 3) == "\u3000") {
        end += 3;
      } else {
        break;
      }
    }
    if (end == i) {
      packed += name[i++];
      continue;
    }
    if (!packed.empty() && end < name.size() && is_word_byte(packed.back()) &&
        is_word_byte(name[end])) {
      packed += ' ';
    }
    i = end;
  }
  return packed;
}

// Eleven digits from "13" to "19": a Chinese mobile number, never summed.
bool IsMobileNumber(std::string_view text) {
  return text.size() == 11 && text[0] == '1' && text[1] >= '3' &&
         text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

ColumnMeaning MeaningOfColumn(std::string_view column_name) {
  const std::string name = Packed(column_name);
  const std::string lower = ascii::Lower(name);
  // The word that ends last tells; of two that end together, the longer
  // ("account" over "count").
  size_t last_end = 0, last_length = 0;
  ColumnMeaning meaning = ColumnMeaning::kAny;
  auto find = [&](std::string_view word, ColumnMeaning tells) {
    const bool short_english = word.size() < 4 && IsLetter(word[0]);
    for (size_t at = lower.find(word); at != std::string::npos; at = lower.find(word, at + 1)) {
      if (short_english && !StandsAlone(name, at, word.size())) continue;
      const size_t end = at + word.size();
      if (end > last_end || (end == last_end && word.size() > last_length)) {
        last_end = end;
        last_length = word.size();
        meaning = tells;
      }
    }
  };
  for (std::string_view word : kCodeWords) find(word, ColumnMeaning::kCodes);
  for (std::string_view word : kQuantityWords) find(word, ColumnMeaning::kAny);
  return meaning;
}

CellValue TypeOf(std::string_view text, ColumnMeaning column) {
  CellValue text_cell{CellValue::Kind::kText};
  if (text.empty()) return CellValue{};
  if (column == ColumnMeaning::kCodes || IsMobileNumber(text)) return text_cell;
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
