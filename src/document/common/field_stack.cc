#include "document/common/field_stack.h"

namespace quillmere::document {

void FieldStack::Begin() {
  open_.emplace_back();
  ++hiding_;
}

void FieldStack::AddInstruction(std::u16string_view text) {
  if (!open_.empty() && open_.back().in_instruction) open_.back().instruction.append(text);
}

std::u16string FieldStack::Separate() {
  if (open_.empty() || !open_.back().in_instruction) return {};
  Field& field = open_.back();
  field.in_instruction = false;
  --hiding_;
  bool replaces = FieldNumbers::IgnoresStoredResult(field.instruction);
  std::u16string shown = Count(replaces);
  if (replaces) {
    field.result_replaced = true;
    ++hiding_;
  }
  return replaces ? shown : std::u16string();
}

std::u16string FieldStack::End() {
  if (open_.empty()) return {};
  Field& field = open_.back();
  std::u16string shown;
  if (field.in_instruction || field.result_replaced) --hiding_;
  // A field without a separator stores no result: its number shows alone.
  if (field.in_instruction) shown = Count(true);
  open_.pop_back();
  return shown;
}

void FieldStack::Clear() {
  open_.clear();
  hiding_ = 0;
}

std::u16string FieldStack::Count(bool replaces_result) {
  Field& field = open_.back();
  if (numbers_ == nullptr || field.counted) return {};
  field.counted = true;
  std::optional<std::u16string> number = numbers_->Result(field.instruction);
  // The number shows where nothing around the field hides it.
  if (!number || !replaces_result || hiding_ > 0) return {};
  return *number;
}

}  // namespace quillmere::document
