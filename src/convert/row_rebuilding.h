// The second pass: every isolated row rebuilt to colBound + 1 cells, a
// column covered by a row-spanning cell of an earlier row taking a copy of
// it (the carry list), and each cell's text, its span attributes cut, handed
// to the TableSink.
#pragma once

#include "convert/conversion.h"
#include "convert/row_isolation.h"
#include "convert/table_sink.h"
#include "platform/status.h"

namespace quillmere::conversion_detail {

// Every row of `rows` rebuilt and handed to `sink` cell by cell and ended,
// then sink.Finish(). Stops at the first failure of the sink or of
// progress.Yield(), and at the row where the carried cells would make the
// rebuilt rows exceed the character budget.
Status RebuildRows(const IsolatedRows& rows, TableSink& sink, Progress& progress, CellTexts texts);

}  // namespace quillmere::conversion_detail
