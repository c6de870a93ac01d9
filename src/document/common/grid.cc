#include "document/common/grid.h"

#include <algorithm>

namespace quillmere::document {

EdgeGrid::EdgeGrid(std::vector<int64_t> edges) : lines_(std::move(edges)) {
  std::sort(lines_.begin(), lines_.end());
  lines_.erase(std::unique(lines_.begin(), lines_.end()), lines_.end());
}

std::vector<int> EdgeGrid::ColumnWidths() const {
  std::vector<int> widths;
  widths.reserve(static_cast<size_t>(columns()));
  for (size_t i = 1; i < lines_.size(); ++i) {
    widths.push_back(static_cast<int>(lines_[i] - lines_[i - 1]));
  }
  return widths;
}

int EdgeGrid::LineAt(int64_t edge) const {
  return static_cast<int>(std::lower_bound(lines_.begin(), lines_.end(), edge) - lines_.begin());
}

void EdgeGrid::Place(const std::vector<int64_t>& edges, Row& row) const {
  row.grid_before = std::min(LineAt(edges.front()), columns() - 1);
  int column = row.grid_before;
  for (size_t i = 0; i < row.cells.size(); ++i) {
    row.cells[i].grid_span = std::max(1, LineAt(edges[i + 1]) - column);
    column += row.cells[i].grid_span;
  }
  row.grid_after = columns() - column;
}

}  // namespace quillmere::document
