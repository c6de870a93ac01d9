#include "output/form_preview.h"

#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// The page goes out in pieces of about this many characters.
constexpr size_t kPieceUnits = 1 << 14;

void AppendEscaped(std::u16string_view text, std::u16string& out) {
  for (char16_t c : text) {
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
      default:
        out.push_back(c);
    }
  }
}

void AppendCell(std::u16string_view text, std::u16string& out) {
  out += u"<td>";
  if (text.empty()) {
    out += u"&nbsp;";
  } else {
    AppendEscaped(text, out);
  }
  out += u"</td>";
}

}  // namespace

Status FormPreview::Start(const std::vector<std::u16string>& names) {
  // One line per record, however many columns: the pane scrolls across.
  page_ = u"<table border=1 style='white-space:nowrap'>";
  return Row(u"document", names);
}

Status FormPreview::Record(std::u16string_view document,
                           const std::vector<std::u16string>& values) {
  return Row(document, values);
}

Status FormPreview::Row(std::u16string_view first, const std::vector<std::u16string>& cells) {
  page_ += u"\r\n<tr>";
  AppendCell(first, page_);
  for (const std::u16string& cell : cells) AppendCell(cell, page_);
  page_ += u"</tr>";
  return page_.size() >= kPieceUnits ? Flush() : Status();
}

Status FormPreview::Finish(const std::vector<std::pair<std::string, Status>>& left_out,
                           const std::vector<std::string>& notes) {
  page_ += u"\r\n</table>";
  for (const auto& [name, failure] : left_out) {
    page_ += u"\r\n<br>";
    AppendEscaped(unicode::FromUtf8(Fill(Tr("%1$s: left out, error %2$s: %3$s"), name,
                                         failure.code(), failure.description())),
                  page_);
  }
  for (const std::string& note : notes) {
    page_ += u"\r\n<br>";
    AppendEscaped(unicode::FromUtf8(note), page_);
  }
  page_ += u"\r\n";
  return Flush();
}

Status FormPreview::Flush() {
  std::string bytes;
  codepage::AppendCp936(page_, codepage::Unencodable::kCharacterReference, &bytes);
  page_.clear();
  return write_(bytes);
}

}  // namespace quillmere
