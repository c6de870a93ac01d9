// Turns the main text's characters into paragraph content as Word shows it:
// fields keep their stored result and lose their instruction (nested fields
// included), and Word's special characters become breaks, tabs, ordinary
// characters or nothing.
#pragma once

#include <string_view>
#include <vector>

#include "document/model.h"

namespace quillmere::document::word97 {

class TextFilter {
 public:
  // Appends what `characters` (one paragraph without its mark) shows to
  // `out`. Fields may continue from earlier paragraphs.
  void Append(std::u16string_view characters, Paragraph* out);

  // Forgets every open field: a field never crosses a table cell, so a
  // broken one ends there.
  void CloseFields();

 private:
  void Show(char16_t c, Paragraph* out);

  std::vector<bool> field_in_result_;  // per open field, innermost last
  size_t open_instructions_ = 0;       // open fields still in their instruction
};

}  // namespace quillmere::document::word97
