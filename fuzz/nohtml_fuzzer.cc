// nohtml and the cell-text step on any UTF-16 text (the input's bytes taken
// in pairs, low byte first).
//
// Checked: nohtml gives what a backtracking regular-expression engine gives
// for its two patterns (on texts short enough for std::regex); applied twice
// it changes nothing more; it never lengthens the text; and the cell text is
// "<td>" and nohtml's result without "&nbsp;", CR LF pairs and blanks, or
// empty when the markup holds no ">".
#include <cstdint>
#include <regex>
#include <string>

#include "convert/nohtml.h"
#include "convert/ustring.h"
#include "fuzz_checks.h"

namespace {

using quillmere::text::Text;

// The two patterns, "<.[^<]*>" then "</[^<]*>", where "." is anything but
// a line feed; every unit stands alone as one wide character.
Text RegexNohtml(const Text& s) {
  static const std::wregex kTag(L"<[^\n][^<]*>");
  static const std::wregex kClosingTag(L"</[^<]*>");
  std::wstring wide(s.begin(), s.end());
  wide = std::regex_replace(wide, kTag, L" ");
  wide = std::regex_replace(wide, kClosingTag, L" ");
  Text out;
  for (wchar_t c : wide) out.push_back(static_cast<char16_t>(c));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  Text s(size / 2, u'\0');
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);

  const Text stripped = nohtml(s);
  QM_FUZZ_CHECK(stripped.size() <= s.size());
  QM_FUZZ_CHECK(nohtml(stripped) == stripped);
  if (s.size() <= 256) QM_FUZZ_CHECK(stripped == RegexNohtml(s));

  const Text cell = cell_text::FromMarkup(s);
  const size_t gt = s.find(u'>');
  if (gt == Text::npos) {
    QM_FUZZ_CHECK(cell.empty());
  } else {
    Text expected = text::ReplaceAll(nohtml(s.substr(gt + 1)), u"&nbsp;", u"");
    expected = text::ReplaceAll(expected, u"\r\n", u"");
    expected = text::ReplaceAll(expected, u" ", u"");
    QM_FUZZ_CHECK(cell == u"<td>" + expected);
  }
  return 0;
}
