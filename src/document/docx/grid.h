// The grid of a table read from a .docx file.
//
// A table's grid is the union of all its rows' cell edges. Word stores it as
// w:tblGrid, and cells say how many of its columns they cover (w:gridSpan).
// Files written by other programs may leave the grid out, or give rows that
// do not fill it; FitGrid makes every row cover the grid exactly, so the
// web page's rows all add up to the same width.
#pragma once

#include <string>
#include <unordered_map>
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

// What keeps a table apart from a table right after it, by the properties
// that make rows of a .doc file different tables: its style, its floating
// position, its direction. Tables the reader made, with their keys.
using TableKeys = std::unordered_map<const Table*, std::string>;

// Word shows two tables with nothing between them as one table (generated
// documents write them so: a table per record, a table per template part).
// Joins every run of such tables in `blocks`, and in every cell and note
// within, whose keys agree: the first table takes the others' rows, on the
// union of their grids' lines (the union of their cells' edges, as the grid
// of one table is), each table's grid starting at the same left edge.
// Tables of different keys, and tables `keys` lacks, stay apart. Fails when
// the joined grid is wider than kMaxGridColumns.
Status JoinAdjacentTables(const TableKeys& keys, std::vector<Block>& blocks);
Status JoinAdjacentTables(const TableKeys& keys, Document& document);

}  // namespace quillmere::document::docx
