// The conversion command's text work: one table's markup in, rows of equal
// width holding plain cell texts out.
//
// First pass (row_isolation.h): the markup is lowercased, table/head/row-end
// tags are dropped, every row becomes a row text of cell pieces each closed
// by "</td>", a cell spanning n columns standing n times; the first row's
// width gives colBound. Second pass (row_rebuilding.h): every row is rebuilt
// to colBound + 1 cells, columns covered by a row-spanning cell of an earlier
// row taking a copy of it, and each cell's text goes to the TableSink. Both
// read a cell's spans as span_attributes.h does.
//
// The lowercased, rewritten markup (the working text) is never written out
// whole: the first pass reads it through the markup itself (working_view.h),
// recording where tags are dropped and rows begin, and each rebuilt row
// lowercases the pieces it takes. A page thus costs its own size in memory,
// not twice that. The spans and the markup's length bound the work
// (conversion_limits.h).
#pragma once

#include "convert/table_sink.h"
#include "convert/ustring.h"
#include "platform/status.h"

namespace quillmere {

// What a cell's text is.
enum class CellTexts {
  // The conversion's own: lowercased, without blanks or line breaks,
  // character references as written (cell_text::FromMarkup).
  kConverted,
  // As a person reads the cell: case kept, references decoded, white space
  // folded (cell_text::ReadableFromMarkup). The grid is the same: rows,
  // columns and carried cells are found in the lowercased markup as ever.
  kKept,
};

// The whole conversion: the first pass, then every row rebuilt and handed to
// `sink` cell by cell and ended, then sink.Finish(). Stops at the first
// failure of the sink or of progress.Yield() and returns it. A table whose
// rows times columns exceed the cell budget stops before any cell is handed
// on; one whose carried cells make the rebuilt rows exceed the character
// budget stops at the row where they would.
Status ConvertTable(text::TextView strTable, TableSink& sink, Progress& progress,
                    CellTexts texts = CellTexts::kConverted);

}  // namespace quillmere
