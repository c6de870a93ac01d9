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
constexpr char16_t kFieldData = 0x01;

}  // namespace

void TextFilter::Append(std::u16string_view characters, uint32_t first_cp, Paragraph* out) {
  for (size_t i = 0; i < characters.size(); ++i) {
    const uint32_t cp = first_cp + static_cast<uint32_t>(i);
    switch (characters[i]) {
      case kFieldBegin:
        fields_.Begin();
        open_.emplace_back();
        break;
      case kFieldSeparator:
        out->AddText(fields_.Separate());
        if (!open_.empty()) open_.back() = {open_.back().form, out->TextLength(), true};
        break;
      case kFieldEnd:
        out->AddText(fields_.End());
        EndField(out);
        break;
      default:
        if (fields_.ShowsText()) {
          Show(characters[i], cp, out);
        } else {
          fields_.AddInstruction(characters.substr(i, 1));
          if (characters[i] == kFieldData && forms_ != nullptr && !open_.empty()) {
            open_.back().form = forms_->FieldAt(cp);
          }
        }
    }
  }
}

// A check box form field shows no text of its own: its mark stands where
// it ends. A text form field's name covers its result.
void TextFilter::EndField(Paragraph* out) {
  if (open_.empty()) return;
  const OpenField field = open_.back();
  open_.pop_back();
  if (field.form == nullptr) return;
  const uint32_t end = out->TextLength();
  if (field.form->check_box) {
    out->form_marks.push_back({FormMark::Kind::kCheckBox, end, 0, field.form->checked, {}});
  } else if (field.form->text_input && field.separated && !field.form->name.empty()) {
    out->form_marks.push_back({FormMark::Kind::kNamedField, field.result_at, end - field.result_at,
                               false, field.form->name});
  }
}

void TextFilter::Show(char16_t c, uint32_t cp, Paragraph* out) {
  if (forms_ != nullptr && c >= 0x20 && !forms_->symbol_runs.empty()) {
    std::u16string_view font = forms_->SymbolFontAt(cp);
    if (!font.empty()) out->MarkSymbolFont(out->TextLength(), 1, font);
  }
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
