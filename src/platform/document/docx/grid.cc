#include "platform/document/docx/grid.h"

#include <algorithm>

namespace quillmere::document {

namespace {

Status TooWide(size_t columns) {
  return Status(ErrorNumber::kCorruptDocument,
                "a table has " + std::to_string(columns) + " columns; at most " +
                    std::to_string(kMaxGridColumns) + " are accepted.");
}

int64_t RowColumns(const Row& row) {
  int64_t columns = int64_t{row.grid_before} + row.grid_after;
  for (const Cell& cell : row.cells) columns += cell.grid_span;
  return columns;
}

bool AllWidthsKnown(const Table& table, const std::vector<RowWidths>& widths) {
  for (size_t r = 0; r < table.rows.size(); ++r) {
    if (table.rows[r].grid_before > 0 && widths[r].before <= 0) return false;
    for (int w : widths[r].cells) {
      if (w <= 0) return false;
    }
  }
  return true;
}

// The row's start, then the right edge of each of its cells.
std::vector<int64_t> RowEdges(const Row& row, const RowWidths& widths) {
  std::vector<int64_t> edges{row.grid_before > 0 ? widths.before : 0};
  for (int w : widths.cells) edges.push_back(edges.back() + w);
  return edges;
}

Status GridFromCellEdges(Table& table, const std::vector<RowWidths>& widths) {
  std::vector<int64_t> grid{0};
  for (size_t r = 0; r < table.rows.size(); ++r) {
    std::vector<int64_t> edges = RowEdges(table.rows[r], widths[r]);
    grid.insert(grid.end(), edges.begin(), edges.end());
  }
  std::sort(grid.begin(), grid.end());
  grid.erase(std::unique(grid.begin(), grid.end()), grid.end());
  if (grid.size() - 1 > kMaxGridColumns) return TooWide(grid.size() - 1);

  auto column_at = [&grid](int64_t edge) {
    return static_cast<int>(std::lower_bound(grid.begin(), grid.end(), edge) - grid.begin());
  };
  table.grid_column_widths.clear();
  for (size_t i = 1; i < grid.size(); ++i) {
    table.grid_column_widths.push_back(static_cast<int>(grid[i] - grid[i - 1]));
  }
  for (size_t r = 0; r < table.rows.size(); ++r) {
    Row& row = table.rows[r];
    std::vector<int64_t> edges = RowEdges(row, widths[r]);
    row.grid_before = column_at(edges.front());
    for (size_t c = 0; c < row.cells.size(); ++c) {
      row.cells[c].grid_span = column_at(edges[c + 1]) - column_at(edges[c]);
    }
    row.grid_after = static_cast<int>(grid.size() - 1) - column_at(edges.back());
  }
  return Status();
}

}  // namespace

Status FitGrid(Table& table, const std::vector<RowWidths>& widths) {
  if (table.grid_column_widths.size() > kMaxGridColumns) {
    return TooWide(table.grid_column_widths.size());
  }
  if (table.grid_column_widths.empty() && AllWidthsKnown(table, widths)) {
    QM_RETURN_IF_ERROR(GridFromCellEdges(table, widths));
  }
  int64_t columns = static_cast<int64_t>(table.grid_column_widths.size());
  for (const Row& row : table.rows) columns = std::max(columns, RowColumns(row));
  if (columns > kMaxGridColumns) return TooWide(static_cast<size_t>(columns));
  table.grid_column_widths.resize(static_cast<size_t>(columns), kDefaultColumnTwips);
  for (Row& row : table.rows) row.grid_after += static_cast<int>(columns - RowColumns(row));
  return Status();
}

}  // namespace quillmere::document
