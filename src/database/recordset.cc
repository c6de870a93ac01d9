#include "database/recordset.h"

#include <stdexcept>

#include "platform/encoding/unicode.h"

namespace quillmere::adodb {

std::u16string Recordset::FieldName(size_t field) const {
  return unicode::FromUtf8(names_.at(field));
}

void Recordset::ReadRows() const {
  if (!read_rows_) return;
  std::string text;
  std::vector<uint64_t> ends;
  ends.reserve(count_ * names_.size());
  read_rows_(&text, &ends);
  if (ends.size() != count_ * names_.size()) {
    throw std::runtime_error("The recordset's rows cannot be read: the table changed.");
  }
  text_ = std::move(text);
  ends_ = std::move(ends);
}

std::optional<std::u16string> Recordset::Value(size_t record, size_t field) const {
  if (record >= count_ || field >= names_.size()) throw std::out_of_range("no such value");
  if (ends_.empty()) ReadRows();
  const size_t index = record * names_.size() + field;
  const uint64_t end = ends_.at(index);
  if (end & kNullBit) return std::nullopt;
  const uint64_t begin = index == 0 ? 0 : ends_[index - 1] & ~kNullBit;
  return unicode::FromUtf8(std::string_view(text_).substr(begin, end - begin));
}

}  // namespace quillmere::adodb
