// The grid of a table read from a .docx file.
//
// A table's grid is the union of all its rows' cell edges. Word stores it as
// w:tblGrid, and cells say how many of its columns they cover (w:gridSpan).
// Files written by other programs may leave the grid out, or give rows that
// do not fill it; FitGrid makes every row cover the grid exactly, so the
// web page's rows all add up to the same width.
#pragma once

#include <vector>

#include "document/model.h"
#include "platform/status.h"

namespace quillmere::document::docx {

// Word allows 63 columns; anything far beyond is a damaged or hostile file.
inline constexpr int kMaxGridColumns = 4096;

// What a row's cells say about their widths, in twips; -1 where the file
// gives no width in twips.
struct RowWidths {
  int before = -1;         // w:wBefore, the room left before the first cell
  std::vector<int> cells;  // w:tcW of each cell, in order
};

// Gives `table` a grid every row covers exactly. Without a w:tblGrid, and
// with every width known, the grid is the union of the rows' cell edges and
// the spans are recounted on it; otherwise the grid keeps the file's columns,
// grows to the widest row, and a row that stops short gets the rest as
// columns after it. `widths` has one entry per row. Fails when the table is
// wider than kMaxGridColumns.
Status FitGrid(Table& table, const std::vector<RowWidths>& widths);

}  // namespace quillmere::document::docx
