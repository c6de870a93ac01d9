#include "document/word97/text.h"

namespace quillmere::document::word97 {
namespace {

constexpr char16_t kFieldBegin = 0x13;
constexpr char16_t kFieldSeparator = 0x14;
constexpr char16_t kFieldEnd = 0x15;
constexpr char16_t kTab = 0x09;
constexpr char16_t kLineBreak = 0x0B;
constexpr char16_t kParagraphEnd = 0x0D;
constexpr char16_t kNonBreakingHyphen = 0x1E;
constexpr char16_t kShownNonBreakingHyphen = 0x2011;

}  // namespace

void TextFilter::Append(std::u16string_view characters, Paragraph* out) {
  for (size_t i = 0; i < characters.size(); ++i) {
    switch (characters[i]) {
      case kFieldBegin:
        fields_.Begin();
        break;
      case kFieldSeparator:
        out->AddText(fields_.Separate());
        break;
      case kFieldEnd:
        out->AddText(fields_.End());
        break;
      default:
        if (fields_.ShowsText()) {
          Show(characters[i], out);
        } else {
          fields_.AddInstruction(characters.substr(i, 1));
        }
    }
  }
}

void TextFilter::Show(char16_t c, Paragraph* out) {
  if (c == kTab) {
    out->AddTab();
  } else if (c == kLineBreak || c == kParagraphEnd) {
    out->AddBreak();
  } else if (c == kNonBreakingHyphen) {
    out->AddText(std::u16string_view(&kShownNonBreakingHyphen, 1));
  } else if (c >= 0x20) {
    out->AddText(std::u16string_view(&c, 1));
  }
  // Other control characters are anchors of pictures, drawings, footnote
  // and comment references, page, column and section breaks, the optional
  // hyphen (0x1F) and cell marks: nothing to show.
}

}  // namespace quillmere::document::word97
