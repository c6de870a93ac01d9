// Turns the main text's characters into paragraph content as Word shows it:
// fields keep their stored result and lose their instruction (nested fields
// included), numbering fields show their counted number, and Word's special
// characters become breaks, tabs, ordinary characters or nothing. Given
// the document's form fields, it marks their check boxes and names and the
// characters set in a symbol font (FormMark).
#pragma once

#include <string_view>

#include <vector>

#include "document/common/field_stack.h"
#include "document/model.h"
#include "document/word97/form_fields.h"

namespace quillmere::document::word97 {

class TextFilter {
 public:
  // `numbers` counts the story's numbering fields; null leaves every field
  // its stored result. `forms`, when given, must outlive the filter.
  explicit TextFilter(FieldNumbers* numbers = nullptr, const FormFields* forms = nullptr)
      : fields_(numbers), forms_(forms) {}

  // Appends what `characters` (one paragraph without its mark, starting at
  // CP `first_cp`) shows to `out`. Fields may continue from earlier
  // paragraphs.
  void Append(std::u16string_view characters, uint32_t first_cp, Paragraph* out);
  void Append(std::u16string_view characters, Paragraph* out) { Append(characters, 0, out); }

  // Forgets every open field: a field never crosses a table cell, so a
  // broken one ends there.
  void CloseFields() {
    fields_.Clear();
    open_.clear();
  }

 private:
  // An open field, and for a form field its data and where its result
  // began.
  struct OpenField {
    const FormFields::Field* form = nullptr;
    uint32_t result_at = 0;
    bool separated = false;
  };

  void Show(char16_t c, uint32_t cp, Paragraph* out);
  void EndField(Paragraph* out);

  FieldStack fields_;
  const FormFields* forms_;
  std::vector<OpenField> open_;  // innermost last
};

}  // namespace quillmere::document::word97
