#include "convert/conversion.h"

#include "convert/conversion_internal.h"
#include "convert/row_isolation.h"
#include "convert/row_rebuilding.h"
#include "platform/translation.h"

namespace quillmere {

using text::TextView;

namespace {

Status Convert(TextView strTable, bool written_out, TableSink& sink, Progress& progress,
               CellTexts texts) {
  IsolatedRows rows;
  QM_RETURN_IF_ERROR(
      IsolateRowsWith(strTable, texts == CellTexts::kKept, written_out, progress, &rows));
  const int64_t cells = static_cast<int64_t>(rows.size()) * (rows.colBound + 1);
  if (cells > rows.budget.cells) {
    return Status(ErrorNumber::kMarkupTooLarge,
                  Fill(Tr("The table has %1$s rows of %2$s columns, more than the %3$s cells this "
                          "program converts for a table of its size."),
                       rows.size(), rows.colBound + 1, rows.budget.cells));
  }
  return conversion_detail::RebuildRows(rows, sink, progress, texts);
}

}  // namespace

Status ConvertTable(TextView strTable, TableSink& sink, Progress& progress, CellTexts texts) {
  return Convert(strTable, false, sink, progress, texts);
}

Status conversion_detail::ConvertWrittenOut(TextView strTable, TableSink& sink, Progress& progress,
                                            CellTexts texts) {
  return Convert(strTable, true, sink, progress, texts);
}

}  // namespace quillmere
