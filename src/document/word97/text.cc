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
  for (char16_t c : characters) {
    switch (c) {
      case kFieldBegin:
        field_in_result_.push_back(false);
        ++open_instructions_;
        break;
      case kFieldSeparator:
        if (!field_in_result_.empty() && !field_in_result_.back()) {
          field_in_result_.back() = true;
          --open_instructions_;
        }
        break;
      case kFieldEnd:
        if (!field_in_result_.empty()) {
          if (!field_in_result_.back()) --open_instructions_;
          field_in_result_.pop_back();
        }
        break;
      default:
        if (open_instructions_ == 0) Show(c, out);
    }
  }
}

void TextFilter::CloseFields() {
  field_in_result_.clear();
  open_instructions_ = 0;
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
