#include "forms/names.h"

#include <unordered_map>
#include <unordered_set>

#include "forms/form_cells.h"

namespace quillmere::forms {

namespace {

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The bytes of UTF-8 that the unit at `i` (with the one after it, for a
// surrogate pair) takes, as the text is written out: a surrogate without
// its other half becomes U+FFFD, three bytes.
size_t Utf8Bytes(std::u16string_view text, size_t i, bool* pair) {
  const char16_t unit = text[i];
  *pair = IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]);
  if (*pair) return 4;
  if (unit < 0x80) return 1;
  if (unit < 0x800) return 2;
  return 3;
}

// The key a database compares column names by.
std::u16string Folded(std::u16string_view name) {
  std::u16string key(name);
  for (char16_t& c : key) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return key;
}

std::u16string Numbered(std::u16string_view name, size_t number, size_t max_bytes) {
  std::u16string suffix = u"_";
  for (char c : std::to_string(number)) suffix.push_back(static_cast<char16_t>(c));
  const size_t room =
      max_bytes == 0 ? 0 : (max_bytes > suffix.size() ? max_bytes - suffix.size() : 1);
  return std::u16string(max_bytes == 0 ? name : CutToBytes(name, room)) + suffix;
}

}  // namespace

std::u16string NameOfLabel(std::u16string_view label) {
  std::u16string name;
  for (char16_t c : label) {
    if (!IsBlank(c)) name.push_back(c);
  }
  while (!name.empty() && (name.back() == u':' || name.back() == u'：')) name.pop_back();
  return name;
}

std::u16string_view CutToBytes(std::u16string_view text, size_t max_bytes) {
  size_t bytes = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    bool pair = false;
    bytes += Utf8Bytes(text, i, &pair);
    if (bytes > max_bytes) return text.substr(0, i);
    if (pair) ++i;
  }
  return text;
}

std::vector<std::u16string> UniqueNames(const std::vector<std::u16string>& names, size_t max_bytes,
                                        const std::vector<std::u16string>& reserved) {
  std::unordered_set<std::u16string> taken;
  for (const std::u16string& name : reserved) taken.insert(Folded(name));
  // For each name, the number its next repetition tries first: a name that
  // stands a thousand times costs no more than a thousand names.
  std::unordered_map<std::u16string, size_t> next_number;
  std::vector<std::u16string> unique;
  unique.reserve(names.size());
  for (const std::u16string& given : names) {
    const std::u16string base = given.empty() ? u"value" : given;
    std::u16string name(max_bytes == 0 ? std::u16string_view(base) : CutToBytes(base, max_bytes));
    if (taken.count(Folded(name)) != 0) {
      size_t& number = next_number.try_emplace(Folded(base), 2).first->second;
      do {
        name = Numbered(base, number++, max_bytes);
      } while (taken.count(Folded(name)) != 0);
    }
    taken.insert(Folded(name));
    unique.push_back(std::move(name));
  }
  return unique;
}

}  // namespace quillmere::forms
