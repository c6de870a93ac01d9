#include "document/docx/grid.h"

#include <algorithm>

#include "document/common/grid.h"
#include "platform/translation.h"

namespace quillmere::document::docx {

namespace {

Status TooWide(size_t columns) {
  return Status(
      ErrorNumber::kCorruptDocument,
      Fill(Tr("a table has %1$s columns; at most %2$s are accepted."), columns, kMaxGridColumns));
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
  std::vector<int64_t> edges{0};
  for (size_t r = 0; r < table.rows.size(); ++r) {
    std::vector<int64_t> row_edges = RowEdges(table.rows[r], widths[r]);
    edges.insert(edges.end(), row_edges.begin(), row_edges.end());
  }
  EdgeGrid grid(std::move(edges));
  if (grid.columns() > kMaxGridColumns) return TooWide(static_cast<size_t>(grid.columns()));
  table.grid_column_widths = grid.ColumnWidths();
  for (size_t r = 0; r < table.rows.size(); ++r) {
    grid.Place(RowEdges(table.rows[r], widths[r]), table.rows[r]);
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

}  // namespace quillmere::document::docx
