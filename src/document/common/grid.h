// A table's grid from the edges of its cells.
//
// Where a file says where each cell's edges lie (in twips) rather than how
// many grid columns it covers, the grid has a line at every edge of every
// row. A cell spans the columns between its edges; a row that starts right
// of the first line or ends left of the last leaves columns empty before or
// after it.
#pragma once

#include <cstdint>
#include <vector>

#include "document/model.h"

namespace quillmere::document {

class EdgeGrid {
 public:
  // The grid with a line at each of `edges`, given in any order, repeats
  // allowed.
  explicit EdgeGrid(std::vector<int64_t> edges);

  // One fewer than the lines; none without any.
  int columns() const { return lines_.empty() ? 0 : static_cast<int>(lines_.size()) - 1; }

  // The width of each column, left to right.
  std::vector<int> ColumnWidths() const;

  // Places `row`, whose cells lie between `edges` (non-decreasing lines of
  // this grid, one more than the cells): sets its grid_before, each cell's
  // grid_span and its grid_after. A cell of no width still covers a column,
  // the last one when it stands on the last line.
  void Place(const std::vector<int64_t>& edges, Row& row) const;

 private:
  // The index of the line at `edge`: the number of columns left of it.
  int LineAt(int64_t edge) const;

  std::vector<int64_t> lines_;  // sorted, each once
};

}  // namespace quillmere::document
