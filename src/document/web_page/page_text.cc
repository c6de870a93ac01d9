#include "document/web_page/page_text.h"

#include "platform/encoding/unicode.h"

namespace quillmere::document::web_page {

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

// Word's link between a note reference in the text and the mark before
// the note's own text; `in_text` tells which of the two this is.
void AppendNoteLink(std::u16string_view mark, bool custom_mark, bool endnote, int number,
                    bool in_text, std::u16string& out) {
  std::u16string kind = endnote ? u"edn" : u"ftn";
  std::u16string note_id = kind + unicode::FromNumber(number);
  std::u16string reference_id = kind + u"ref" + unicode::FromNumber(number);
  out += u"<a style='mso-" + std::u16string(endnote ? u"endnote" : u"footnote") + u"-id:" +
         note_id + u"' href=\"#_" + (in_text ? note_id : reference_id) + u"\" name=\"_" +
         (in_text ? reference_id : note_id) + u"\" title=\"\"><span class=";
  out += endnote ? u"MsoEndnoteReference>" : u"MsoFootnoteReference>";
  if (custom_mark) {
    AppendText(mark, out);
  } else {
    out += u"<span style='mso-special-character:footnote'></span><![if !supportFootnotes]>[";
    AppendText(mark, out);
    out += u"]<![endif]>";
  }
  out += u"</span></a>";
}

constexpr std::u16string_view kLabelPadding =
    u"<span style='font:7.0pt \"Times New Roman\"'>&nbsp;&nbsp;&nbsp;&nbsp;&nbsp; </span>";

}  // namespace

void AppendParagraphContent(const Paragraph& paragraph, std::u16string& out, NoteCount* notes) {
  NoteCount uncounted;
  if (notes == nullptr) notes = &uncounted;
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
      case Inline::Kind::kFootnoteReference:
        AppendNoteLink(item.text, item.custom_mark, false, ++notes->footnotes, true, out);
        break;
      case Inline::Kind::kEndnoteReference:
        AppendNoteLink(item.text, item.custom_mark, true, ++notes->endnotes, true, out);
        break;
    }
  }
}

void AppendListLabel(const ListLabel& label, std::u16string& out) {
  out += u"<![if !supportLists]>";
  if (!label.font.empty()) {
    out += u"<span style='font-family:";
    AppendText(label.font, out);
    out += u"'>";
  }
  out += u"<span style='mso-list:Ignore'>";
  if (label.right_aligned && label.followed) out += kLabelPadding;
  AppendText(label.text, out);
  if (!label.right_aligned && label.followed) out += kLabelPadding;
  out += u"</span>";
  if (!label.font.empty()) out += u"</span>";
  out += u"<![endif]>";
}

void AppendNoteBackLink(const Note& note, bool endnote, int number, std::u16string& out) {
  AppendNoteLink(note.mark, note.custom_mark, endnote, number, false, out);
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

}  // namespace quillmere::document::web_page
