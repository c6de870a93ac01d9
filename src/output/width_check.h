// The width check between the conversion and what stores its rows: a table
// wider than dt_table stops at the end of its first row that does not fit,
// before that row's statement runs, saying how wide the table is rather
// than which column the database cannot find.
#pragma once

#include <cstdint>
#include <string_view>

#include "convert/table_sink.h"

namespace quillmere {

// Passes every cell that fits dt_table's `fields` columns on to `next`; the
// first row with more cells fails at its end (DtTableTooNarrow, for the
// data.mdb of `folder` when that is the database).
class WidthCheck : public TableSink {
 public:
  WidthCheck(TableSink& next, int64_t fields, std::u16string_view folder)
      : next_(next), fields_(fields), folder_(folder) {}

  Status BeginRows() override { return next_.BeginRows(); }
  Status Cell(int64_t k, std::u16string_view strCellText) override;
  Status EndRow(int64_t i) override;
  Status Finish() override { return next_.Finish(); }

 private:
  TableSink& next_;
  const int64_t fields_;
  const std::u16string_view folder_;
  int64_t cells_ = 0;
};

}  // namespace quillmere
