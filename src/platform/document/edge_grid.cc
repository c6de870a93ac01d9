#include "platform/document/edge_grid.h"

#include <algorithm>

namespace quillmere::document {
namespace {

bool HasContent(const Cell& cell) {
  return std::any_of(cell.blocks.begin(), cell.blocks.end(), [](const Block& block) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    return paragraph == nullptr || !paragraph->inlines.empty();
  });
}

// Makes the edges non-decreasing and folds cells of no width into a neighbour.
void Normalize(EdgeRow* row) {
  for (size_t i = 1; i < row->edges.size(); ++i) row->edges[i] = std::max(row->edges[i], row->edges[i - 1]);
  for (size_t i = 0; i < row->cells.size() && row->cells.size() > 1;) {
    if (row->edges[i] != row->edges[i + 1]) {
      ++i;
    } else if (i > 0) {
      AppendContent(std::move(row->cells[i]), &row->cells[i - 1]);
      row->cells.erase(row->cells.begin() + i);
      row->edges.erase(row->edges.begin() + i + 1);
    } else {
      row->cells[0].vertical_merge = row->cells[1].vertical_merge;
      AppendContent(std::move(row->cells[1]), &row->cells[0]);
      row->cells.erase(row->cells.begin() + 1);
      row->edges.erase(row->edges.begin() + 1);
    }
  }
}

// A continue cell needs a merged cell above it that starts at its column.
void ResolveVerticalMerges(Table* table) {
  size_t columns = table->grid_column_widths.size();
  std::vector<bool> merged_above(columns), merged_here(columns);
  for (Row& row : table->rows) {
    std::fill(merged_here.begin(), merged_here.end(), false);
    size_t column = row.grid_before;
    for (Cell& cell : row.cells) {
      if (cell.vertical_merge == VerticalMerge::kContinue && !merged_above[column]) {
        cell.vertical_merge = VerticalMerge::kNone;
      }
      merged_here[column] = cell.vertical_merge != VerticalMerge::kNone;
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
  std::vector<int> lines;
  for (EdgeRow& row : rows) {
    Normalize(&row);
    lines.insert(lines.end(), row.edges.begin(), row.edges.end());
  }
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  if (lines.size() == 1) lines.push_back(lines[0] + 1);  // every cell had no width
  int columns = lines.empty() ? 0 : static_cast<int>(lines.size()) - 1;
  out->grid_column_widths.clear();
  for (int i = 0; i < columns; ++i) out->grid_column_widths.push_back(lines[i + 1] - lines[i]);
  auto line_of = [&](int edge) {
    return static_cast<int>(std::lower_bound(lines.begin(), lines.end(), edge) - lines.begin());
  };
  for (EdgeRow& row : rows) {
    if (row.cells.empty()) continue;
    Row placed;
    int first = std::min(line_of(row.edges.front()), columns - 1);
    placed.grid_before = first;
    int column = first;
    for (size_t i = 0; i < row.cells.size(); ++i) {
      Cell cell = std::move(row.cells[i]);
      cell.grid_span = std::max(1, line_of(row.edges[i + 1]) - column);
      column += cell.grid_span;
      placed.cells.push_back(std::move(cell));
    }
    placed.grid_after = columns - column;
    out->rows.push_back(std::move(placed));
  }
  ResolveVerticalMerges(out);
}

}  // namespace quillmere::document
