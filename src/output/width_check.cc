#include "output/width_check.h"

#include "output/dt_table.h"

namespace quillmere {

Status WidthCheck::Cell(int64_t k, std::u16string_view strCellText) {
  cells_ = k + 1;
  return k < fields_ ? next_.Cell(k, strCellText) : Status();
}

Status WidthCheck::EndRow(int64_t i) {
  if (cells_ > fields_) return DtTableTooNarrow(folder_, cells_, fields_);
  cells_ = 0;
  return next_.EndRow(i);
}

}  // namespace quillmere
