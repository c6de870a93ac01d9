// Where a table's cells stand on a web page.
//
// The page gives each cell its grid columns (colspan) and the rows it covers
// (rowspan). A cell that starts a vertical merge covers the cells that
// continue it below, in the same grid columns; those get no cell of their
// own. Rows that stop short of the grid keep the room before and after
// their cells, which the page fills with placeholder cells.
#pragma once

#include <vector>

#include "document/model.h"

namespace quillmere::document::web_page {

struct PlacedCell {
  const Cell* cell = nullptr;
  int column = 0;   // the first grid column it covers
  int rowspan = 1;  // rows it covers, its own included
};

struct PlacedRow {
  int before = 0;  // grid columns left empty before the first cell
  int after = 0;   // grid columns left empty after the last cell
  std::vector<PlacedCell> cells;
};

struct TableLayout {
  std::vector<int> column_widths;  // twips; one per grid column
  std::vector<PlacedRow> rows;
};

// Lays the table out on its grid, widened where a row needs more columns
// than the grid has. A "continue" cell joins the merge above it only when
// that merge covers the same grid columns; otherwise it is an ordinary
// cell. A row whose every cell continues a merge from above is still a row,
// as on Word's pages: the merges above count it, and it has no cell of its
// own. Only a row without any cell in the model is left out.
TableLayout LayOutTable(const Table& table);

}  // namespace quillmere::document::web_page
