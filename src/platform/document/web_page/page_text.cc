#include "platform/document/web_page/page_text.h"

namespace quillmere::document {

namespace {

constexpr std::u16string_view kSpaceRun = u"<span style='mso-spacerun:yes'>";
constexpr std::u16string_view kTab = u"<span style='mso-tab-count:1'>&nbsp;&nbsp;&nbsp; </span>";

// Characters a browser would fold into one blank.
bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// A run of `count` blanks. Inside text one blank stays a blank; longer runs
// keep their width with "&nbsp;" and end in a blank where the line may wrap.
// At either end of a line every blank must be "&nbsp;", or it would vanish.
void AppendBlanks(size_t count, bool at_line_end, std::u16string& out) {
  if (count == 1 && !at_line_end) {
    out += u' ';
    return;
  }
  out += kSpaceRun;
  size_t kept = at_line_end ? count : count - 1;
  for (size_t i = 0; i < kept; ++i) out += u"&nbsp;";
  if (!at_line_end) out += u' ';
  out += u"</span>";
}

void AppendCharacter(char16_t c, std::u16string& out) {
  switch (c) {
    case u'&':
      out += u"&amp;";
      break;
    case u'<':
      out += u"&lt;";
      break;
    case u'>':
      out += u"&gt;";
      break;
    case u'"':
      out += u"&quot;";
      break;
    case u'\t':
      out += kTab;
      break;
    case u'\u00A0':
      out += u"&nbsp;";
      break;
    case u'\u2011':
      out += u'-';
      break;  // a no-break hyphen shows as a hyphen
    case u'\uFFFE':
    case u'\uFFFF':
      break;
    default:
      if (c >= 0x20) out += c;  // other control characters show nothing
  }
}

// Text between line starts and ends (a paragraph's ends, breaks, tabs).
void AppendText(std::u16string_view text, std::u16string& out) {
  size_t i = 0;
  while (i < text.size()) {
    if (!IsBlank(text[i])) {
      AppendCharacter(text[i++], out);
      continue;
    }
    size_t end = i;
    while (end < text.size() && IsBlank(text[end])) ++end;
    AppendBlanks(end - i, i == 0 || end == text.size(), out);
    i = end;
  }
}

}  // namespace

void AppendParagraphContent(const Paragraph& paragraph, std::u16string& out) {
  for (const Inline& item : paragraph.inlines) {
    switch (item.kind) {
      case Inline::Kind::kText:
        AppendText(item.text, out);
        break;
      case Inline::Kind::kLineBreak:
        out += u"<br>";
        break;
      case Inline::Kind::kTab:
        out += kTab;
        break;
    }
  }
}

bool IsEmpty(const Paragraph& paragraph) {
  for (const Inline& item : paragraph.inlines) {
    if (item.kind != Inline::Kind::kText || !item.text.empty()) return false;
  }
  return true;
}

std::u16string Points(int64_t twips) {
  if (twips < 0) twips = 0;
  int64_t hundredths = twips * 5;  // a point is 20 twips
  std::string text = hundredths >= 100 ? std::to_string(hundredths / 100) : "";
  text += '.' + std::to_string(hundredths / 10 % 10);
  if (hundredths % 10 != 0) text += std::to_string(hundredths % 10);
  return std::u16string(text.begin(), text.end()) + u"pt";
}

int64_t Pixels(int64_t twips) { return twips <= 0 ? 0 : (twips + 7) / 15; }

}  // namespace quillmere::document
