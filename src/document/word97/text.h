// Turns the main text's characters into paragraph content as Word shows it:
// fields keep their stored result and lose their instruction (nested fields
// included), numbering fields show their counted number, and Word's special
// characters become breaks, tabs, ordinary characters or nothing.
#pragma once

#include <string_view>

#include "document/common/field_stack.h"
#include "document/model.h"

namespace quillmere::document::word97 {

class TextFilter {
 public:
  // `numbers` counts the story's numbering fields; null leaves every field
  // its stored result.
  explicit TextFilter(FieldNumbers* numbers = nullptr) : fields_(numbers) {}

  // Appends what `characters` (one paragraph without its mark) shows to
  // `out`. Fields may continue from earlier paragraphs.
  void Append(std::u16string_view characters, Paragraph* out);

  // Forgets every open field: a field never crosses a table cell, so a
  // broken one ends there.
  void CloseFields() { fields_.Clear(); }

 private:
  void Show(char16_t c, Paragraph* out);

  FieldStack fields_;
};

}  // namespace quillmere::document::word97
