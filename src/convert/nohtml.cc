#include "convert/nohtml.h"

#include <algorithm>
#include <iterator>

namespace quillmere {

namespace {

using text::Text;
using text::TextView;

// Position of the last ">" in [from, end), or npos, looked for from the end.
size_t LastClose(TextView s, size_t from, size_t end) {
  for (size_t k = end; k > from; --k) {
    if (s[k - 1] == u'>') return k - 1;
  }
  return TextView::npos;
}

// Finds every match and hands the text on in order: the stretches between
// matches to `keep`, and one call of `blank` for every match (which stands
// for the blank it is replaced with). A match starts at a "<" for which
// `starts(s, i)` holds and takes, from its third character on, the longest
// stretch without "<" that ends in ">": up to the last ">" before the next
// "<". Each "<" is found once, and the stretch before it is read back only
// as far as its last ">", so a sweep stays linear.
template <typename StartTest, typename Keep, typename Blank>
void ScanMatches(TextView s, StartTest starts, Keep keep, Blank blank) {
  constexpr size_t kTagHead = 2;  // the "<" and the one character after it
  size_t copied = 0;
  for (size_t i = text::IndexOf(s, u'<'); i != TextView::npos && i + 1 < s.size();) {
    const size_t next = text::IndexOf(s, u'<', i + kTagHead);
    const size_t close = starts(s, i)
                             ? LastClose(s, i + kTagHead, next == TextView::npos ? s.size() : next)
                             : TextView::npos;
    if (close == TextView::npos) {
      i = s[i + 1] == u'<' ? i + 1 : next;
      continue;
    }
    keep(s.substr(copied, i - copied));
    blank();
    copied = close + 1;
    i = next;
  }
  keep(s.substr(copied));
}

template <typename StartTest>
Text ReplaceMatches(TextView s, StartTest starts) {
  Text out;
  out.reserve(s.size());
  ScanMatches(
      s, starts, [&](TextView kept) { out.append(kept); }, [&] { out.push_back(u' '); });
  return out;
}

bool StartsTag(TextView s, size_t i) { return s[i + 1] != u'\n'; }
bool StartsClosingTag(TextView s, size_t i) { return s[i + 1] == u'/'; }

// Removes "&nbsp;", then CR LF pairs, then blanks from a text, each removal
// running once over what the one before left, as three replace-all calls
// would, but in one sweep: the text flows through three small stages.
class CellTextCleaner {
 public:
  // With `lowercase`, the text arrives as the markup has it and is
  // lowercased on the way: the same as cleaning the lowercased markup, since
  // finding tags and blanks does not depend on case.
  CellTextCleaner(Text& out, bool lowercase) : out_(out), lowercase_(lowercase) {}

  // Text that came through unchanged. "&nbsp;" never spans two stretches:
  // they are separated by the blanks that replaced the tags.
  void Keep(TextView stretch) {
    constexpr TextView kNbsp = u"&nbsp;";
    for (size_t i = 0; i < stretch.size();) {
      const size_t plain = pending_cr_ ? 0 : PlainRun(stretch.substr(i));
      if (plain > 0) {
        out_.append(stretch.substr(i, plain));
        i += plain;
      } else if (stretch[i] == u'&' && IsNbsp(stretch.substr(i, kNbsp.size()))) {
        i += kNbsp.size();
      } else if (!lowercase_) {
        LineBreakStage(stretch[i++]);
      } else {
        i += Lowered(stretch.substr(i));
      }
    }
  }
  void Blank() { LineBreakStage(u' '); }
  void Finish() {
    if (pending_cr_) BlankStage(u'\r');
    pending_cr_ = false;
  }

 private:
  // How many units at the start of `s` every stage passes on unchanged, so
  // that they go at once: no "&", CR or blank, nothing that lowers.
  size_t PlainRun(TextView s) const {
    size_t n = 0;
    while (n < s.size() && Plain(s[n])) ++n;
    return n;
  }
  bool Plain(char16_t c) const {
    if (c == u'&' || c == u'\r' || c == u' ') return false;
    if (!lowercase_) return true;
    if (c < 0x80) return c < u'A' || c > u'Z';
    return (c < 0xD800 || c > 0xDFFF) && text::LowercaseCodePoint(c) == c;
  }

  bool IsNbsp(TextView s) const {
    constexpr TextView kNbsp = u"&nbsp;";
    if (!lowercase_) return s == kNbsp;
    if (s.size() != kNbsp.size()) return false;
    for (size_t k = 0; k < s.size(); ++k) {
      const char16_t c = s[k] >= u'A' && s[k] <= u'Z' ? s[k] + (u'a' - u'A') : s[k];
      if (c != kNbsp[k]) return false;
    }
    return true;
  }

  // The first character of `s` lowercased into the stages (a surrogate pair
  // as the one character it stands for); returns its length.
  size_t Lowered(TextView s) {
    const char16_t c = s[0];
    if (c < 0x80) {
      LineBreakStage(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
      return 1;
    }
    const bool pair = c >= 0xD800 && c < 0xDC00 && s.size() > 1 && s[1] >= 0xDC00 && s[1] <= 0xDFFF;
    if (!pair) {
      const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
      LineBreakStage(surrogate ? c : static_cast<char16_t>(text::LowercaseCodePoint(c)));
      return 1;
    }
    const char32_t lower =
        text::LowercaseCodePoint(0x10000 + ((char32_t{c} - 0xD800) << 10) + (s[1] - 0xDC00)) -
        0x10000;
    LineBreakStage(static_cast<char16_t>(0xD800 + (lower >> 10)));
    LineBreakStage(static_cast<char16_t>(0xDC00 + (lower & 0x3FF)));
    return 2;
  }

  void LineBreakStage(char16_t c) {
    if (pending_cr_) {
      pending_cr_ = false;
      if (c == u'\n') return;  // a CR LF pair: both go
      BlankStage(u'\r');
    }
    if (c == u'\r') {
      pending_cr_ = true;
    } else {
      BlankStage(c);
    }
  }
  void BlankStage(char16_t c) {
    if (c != u' ') out_.push_back(c);
  }

  Text& out_;
  const bool lowercase_;
  bool pending_cr_ = false;
};

constexpr TextView kCellTextPrefix = u"<td>";

bool IsWhiteSpace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// Named character references decoded for kept texts: those Word's pages
// use, and a few common typographic ones. Sorted by name.
struct NamedReference {
  std::u16string_view name;
  char32_t code_point;
};
constexpr NamedReference kNamedReferences[] = {
    {u"amp", 0x26},      {u"apos", 0x27},     {u"bull", 0x2022},  {u"copy", 0xA9},
    {u"deg", 0xB0},      {u"emsp", 0x2003},   {u"ensp", 0x2002},  {u"euro", 0x20AC},
    {u"gt", 0x3E},       {u"hellip", 0x2026}, {u"laquo", 0xAB},   {u"ldquo", 0x201C},
    {u"lsquo", 0x2018},  {u"lt", 0x3C},       {u"mdash", 0x2014}, {u"middot", 0xB7},
    {u"nbsp", 0xA0},     {u"ndash", 0x2013},  {u"quot", 0x22},    {u"raquo", 0xBB},
    {u"rdquo", 0x201D},  {u"reg", 0xAE},      {u"rsquo", 0x2019}, {u"shy", 0xAD},
    {u"thinsp", 0x2009}, {u"times", 0xD7},    {u"trade", 0x2122},
};

// The character a reference at the start of `s` ("&...;") stands for, and
// its length; false, changing neither, when `s` starts with no reference
// this decodes.
bool DecodeReference(TextView s, char32_t* code_point, size_t* length) {
  constexpr size_t kLongest = 10;  // "&#1114111;", "&hellip;"
  const size_t semicolon = s.substr(0, kLongest + 1).find(u';');
  if (s.size() < 3 || s[0] != u'&' || semicolon == TextView::npos || semicolon < 2) return false;
  const TextView body = s.substr(1, semicolon - 1);
  if (body[0] != u'#') {
    auto found =
        std::lower_bound(std::begin(kNamedReferences), std::end(kNamedReferences), body,
                         [](const NamedReference& r, TextView name) { return r.name < name; });
    if (found == std::end(kNamedReferences) || found->name != body) return false;
    *code_point = found->code_point;
    *length = semicolon + 1;
    return true;
  }
  const bool hex = body.size() > 1 && (body[1] == u'x' || body[1] == u'X');
  const TextView digits = body.substr(hex ? 2 : 1);
  if (digits.empty()) return false;
  char32_t value = 0;
  for (char16_t d : digits) {
    int v = d >= u'0' && d <= u'9' ? d - u'0' : -1;
    if (hex && d >= u'a' && d <= u'f') v = d - u'a' + 10;
    if (hex && d >= u'A' && d <= u'F') v = d - u'A' + 10;
    if (v < 0) return false;
    value = std::min<char32_t>(value * (hex ? 16 : 10) + v, 0x110000);
  }
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  *code_point = value == 0 || surrogate || value > 0x10FFFF ? 0xFFFD : value;
  *length = semicolon + 1;
  return true;
}

// Decodes references and folds white space into `out`: a run of white space
// (tags stand as one blank each) becomes one blank between two characters
// and nothing at either end.
class ReadableText {
 public:
  explicit ReadableText(Text& out) : out_(out) {}

  void Keep(TextView stretch) {
    for (size_t i = 0; i < stretch.size();) {
      char32_t c = stretch[i];
      size_t length = 1;
      if (c == u'&') DecodeReference(stretch.substr(i), &c, &length);
      Put(c);
      i += length;
    }
  }
  void Blank() { Put(u' '); }

 private:
  void Put(char32_t c) {
    if (IsWhiteSpace(c)) {
      space_ = started_;
      return;
    }
    if (space_) out_.push_back(u' ');
    space_ = false;
    started_ = true;
    if (c >= 0x10000) {
      out_.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out_.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out_.push_back(static_cast<char16_t>(c));
    }
  }

  Text& out_;
  bool started_ = false;  // a character has been written
  bool space_ = false;    // white space since the last character
};

}  // namespace

namespace cell_text {

Text ReplaceTags(TextView s) { return ReplaceMatches(s, StartsTag); }

Text ReplaceClosingTags(TextView s) { return ReplaceMatches(s, StartsClosingTag); }

// The tag sweep feeds the cleaner directly. The closing-tag sweep of nohtml
// is left out here: every "</...>" it could match is a match of the tag
// sweep already, so after that sweep it never finds anything.
void FromMarkup(TextView cell_markup, Text* strCellText, bool lowercase) {
  Text& cell = *strCellText;
  cell.clear();
  size_t gt = text::IndexOf(cell_markup, u'>');
  if (gt == TextView::npos) return;
  cell.assign(kCellTextPrefix);
  CellTextCleaner cleaner(cell, lowercase);
  ScanMatches(
      cell_markup.substr(gt + 1), StartsTag, [&](TextView kept) { cleaner.Keep(kept); },
      [&] { cleaner.Blank(); });
  cleaner.Finish();
}

Text FromMarkup(TextView cell_markup) {
  Text cell;
  FromMarkup(cell_markup, &cell);
  return cell;
}

void ReadableFromMarkup(TextView cell_markup, Text* strCellText) {
  Text& cell = *strCellText;
  cell.clear();
  size_t gt = text::IndexOf(cell_markup, u'>');
  if (gt == TextView::npos) return;
  cell.assign(kCellTextPrefix);
  ReadableText readable(cell);
  ScanMatches(
      cell_markup.substr(gt + 1), StartsTag, [&](TextView kept) { readable.Keep(kept); },
      [&] { readable.Blank(); });
}

void ReadableFallBack(Text& strCellText, TextView cell_markup) {
  if (!strCellText.empty()) return;
  ReadableText readable(strCellText);
  readable.Keep(cell_markup);
}

}  // namespace cell_text

Text nohtml(TextView str) { return cell_text::ReplaceClosingTags(cell_text::ReplaceTags(str)); }

}  // namespace quillmere
