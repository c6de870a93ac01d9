#include "document/web_page/table_layout.h"

#include <algorithm>

namespace quillmere::document::web_page {

namespace {

// A vertical merge that reaches the row being laid out: the grid columns it
// covers, and where its first cell stands in the layout.
struct OpenMerge {
  int column;
  int span;
  size_t row;
  size_t cell;
};

int Span(const Cell& cell) { return std::max(cell.grid_span, 1); }

int RowColumns(const Row& row) {
  int columns = std::max(row.grid_before, 0) + std::max(row.grid_after, 0);
  for (const Cell& cell : row.cells) columns += Span(cell);
  return columns;
}

}  // namespace

TableLayout LayOutTable(const Table& table) {
  TableLayout layout;
  layout.column_widths = table.grid_column_widths;
  size_t columns = layout.column_widths.size();
  for (const Row& row : table.rows) columns = std::max(columns, size_t(RowColumns(row)));
  layout.column_widths.resize(columns, kDefaultColumnTwips);

  std::vector<OpenMerge> above, here;  // merges by grid column, left to right
  for (const Row& row : table.rows) {
    PlacedRow placed;
    placed.before = std::max(row.grid_before, 0);
    std::vector<OpenMerge> continued;
    int column = placed.before;
    size_t next_above = 0;
    here.clear();
    for (const Cell& cell : row.cells) {
      while (next_above < above.size() && above[next_above].column < column) ++next_above;
      bool continues = cell.vertical_merge == VerticalMerge::kContinue &&
                       next_above < above.size() && above[next_above].column == column &&
                       above[next_above].span == Span(cell);
      if (continues) {
        here.push_back(above[next_above]);
        continued.push_back(above[next_above]);
      } else {
        if (cell.vertical_merge == VerticalMerge::kRestart) {
          here.push_back({column, Span(cell), layout.rows.size(), placed.cells.size()});
        }
        placed.cells.push_back({&cell, column, 1});
      }
      column += Span(cell);
    }
    placed.after = static_cast<int>(columns) - column;
    above.swap(here);
    if (row.cells.empty() && placed.before == 0 && placed.after == 0) continue;
    for (const OpenMerge& merge : continued) ++layout.rows[merge.row].cells[merge.cell].rowspan;
    layout.rows.push_back(std::move(placed));
  }
  return layout;
}

}  // namespace quillmere::document::web_page
