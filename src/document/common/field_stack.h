// The fields open at a point of a story, as both readers meet them: a field
// begins, holds its instruction (its code), may have a separator, then its
// stored result, and ends; fields nest in both parts. What lies in an
// instruction never shows (nested fields included); a result shows, except
// where a numbering field's counted number (field_numbers.h) stands in its
// place.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "document/common/field_numbers.h"

namespace quillmere::document {

class FieldStack {
 public:
  // `numbers` counts the numbering fields; null leaves every field its
  // stored result.
  explicit FieldStack(FieldNumbers* numbers = nullptr) : numbers_(numbers) {}

  void Begin();
  // Text of the innermost field's instruction.
  void AddInstruction(std::u16string_view text);
  // The separator and the end of the innermost field. Each returns what
  // shows at that point: a numbering field's number where it replaces the
  // stored result (or where there is none), else nothing.
  std::u16string Separate();
  std::u16string End();
  // Forgets every open field: a broken one must not hide the text after it.
  void Clear();

  // Whether text at this point shows: no instruction is open, nor a stored
  // result that a number replaces.
  bool ShowsText() const { return hiding_ == 0; }

 private:
  struct Field {
    bool in_instruction = true;
    bool result_replaced = false;
    bool counted = false;
    std::u16string instruction;
  };
  // Counts the innermost field once; its number, when it shows now.
  std::u16string Count(bool replaces_result);

  FieldNumbers* numbers_;
  std::vector<Field> open_;  // innermost last
  int hiding_ = 0;           // open fields in their instruction or replaced result
};

}  // namespace quillmere::document
