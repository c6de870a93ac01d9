// Lays out a table's rows, whose cells are given by their edges (in twips),
// on the grid of those edges (see common/grid.h), once it has made sense of
// what a file may give: edges that wrap around or run backwards, cells of no
// width, and vertical merges with nothing above them.
#pragma once

#include <cstdint>
#include <vector>

#include "document/model.h"

namespace quillmere::document::word97 {

struct EdgeRow {
  std::vector<int64_t> edges;  // cells.size() + 1 edges, left to right
  std::vector<Cell> cells;
};

// Fills `out` (whose rows must be empty) with `rows` laid out on their
// grid. Edges that wrapped around past the 16-bit range are unwrapped; in a
// row whose edges still run backwards every cell keeps a column of its own,
// at least a pixel wide. Elsewhere a cell of no width joins the cell before
// it (or after it, when first), keeping any content. A cell continuing a
// vertical merge with no merged cell above it in the same grid column
// becomes an ordinary cell.
void LayOutOnGrid(std::vector<EdgeRow> rows, Table* out);

// Moves `from`'s blocks to the end of `into`'s (in place of them when
// `into` holds only empty paragraphs), unless `from` holds only empty
// paragraphs.
void AppendContent(Cell&& from, Cell* into);

}  // namespace quillmere::document::word97
