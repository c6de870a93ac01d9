#include "document/word97/edge_grid.h"

#include <algorithm>

#include "document/common/grid.h"

namespace quillmere::document::word97 {
namespace {

// Edges are 16-bit numbers in the file: one that lies more than half their
// range left of the edge before it has wrapped around past 32,767 twips.
constexpr int64_t kEdgeRange = 1 << 16;
// The width a cell gets when the file's edges put it nowhere.
constexpr int64_t kNarrowestCell = 15;  // one pixel

// Unwraps edges that wrapped around. If edges still run backwards (files
// from other word processors), each cell gets at least the narrowest width,
// so that every cell mark keeps a cell of its own.
void ClampEdges(std::vector<int64_t>& edges) {
  bool backwards = false;
  for (size_t i = 1; i < edges.size(); ++i) {
    if (edges[i] < edges[i - 1] - kEdgeRange / 2) {
      edges[i] += (edges[i - 1] - edges[i] + kEdgeRange / 2) / kEdgeRange * kEdgeRange;
    }
    backwards = backwards || edges[i] < edges[i - 1];
  }
  if (!backwards) return;
  for (size_t i = 1; i < edges.size(); ++i)
    edges[i] = std::max(edges[i], edges[i - 1] + kNarrowestCell);
}

// Makes the edges non-decreasing and folds each cell of no width into the
// cell before it, or, when it comes first, into the cell after it.
void Normalize(EdgeRow* row) {
  ClampEdges(row->edges);
  std::vector<Cell> cells;
  std::vector<int64_t> edges = {row->edges.empty() ? 0 : row->edges[0]};
  for (size_t i = 0; i < row->cells.size(); ++i) {
    Cell& cell = row->cells[i];
    int64_t right = row->edges[i + 1];
    bool last_has_width = !cells.empty() && edges.back() != edges[edges.size() - 2];
    if (cells.empty()) {
      cells.push_back(std::move(cell));
      edges.push_back(right);
    } else if (right == edges.back()) {
      AppendContent(std::move(cell), &cells.back());
    } else if (!last_has_width) {
      cells.back().vertical_merge = cell.vertical_merge;
      AppendContent(std::move(cell), &cells.back());
      edges.back() = right;
    } else {
      cells.push_back(std::move(cell));
      edges.push_back(right);
    }
  }
  row->cells = std::move(cells);
  row->edges = std::move(edges);
}

// A continue cell needs a merged cell above it that starts at its column.
void ResolveVerticalMerges(Table* table) {
  // The start column of each merged cell of the row above, left to right.
  std::vector<int> merged_above, merged_here;
  for (Row& row : table->rows) {
    merged_here.clear();
    size_t above = 0;
    int column = row.grid_before;
    for (Cell& cell : row.cells) {
      while (above < merged_above.size() && merged_above[above] < column) ++above;
      bool continues = above < merged_above.size() && merged_above[above] == column;
      if (cell.vertical_merge == VerticalMerge::kContinue && !continues)
        cell.vertical_merge = VerticalMerge::kNone;
      if (cell.vertical_merge != VerticalMerge::kNone) merged_here.push_back(column);
      column += cell.grid_span;
    }
    std::swap(merged_above, merged_here);
  }
}

}  // namespace

void AppendContent(Cell&& from, Cell* into) {
  if (!HasContent(from)) return;
  if (!HasContent(*into)) into->blocks.clear();
  for (Block& block : from.blocks) into->blocks.push_back(std::move(block));
}

void LayOutOnGrid(std::vector<EdgeRow> rows, Table* out) {
  std::vector<int64_t> lines;
  for (EdgeRow& row : rows) {
    Normalize(&row);
    lines.insert(lines.end(), row.edges.begin(), row.edges.end());
  }
  // When no cell has any width, one column a twip wide holds them all.
  auto [low, high] = std::minmax_element(lines.begin(), lines.end());
  if (low != lines.end() && *low == *high) lines.push_back(*low + 1);
  EdgeGrid grid(std::move(lines));
  out->grid_column_widths = grid.ColumnWidths();
  for (EdgeRow& row : rows) {
    if (row.cells.empty()) continue;
    Row placed;
    placed.cells = std::move(row.cells);
    grid.Place(row.edges, placed);
    out->rows.push_back(std::move(placed));
  }
  ResolveVerticalMerges(out);
}

}  // namespace quillmere::document::word97
