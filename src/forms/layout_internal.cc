#include "forms/layout_internal.h"

#include <algorithm>

#include "forms/cell_text.h"

namespace quillmere::forms::layout {

CellGrid::CellGrid(const Cells& cells) : cells_(cells) {
  for (const Cell& cell : cells) {
    if (static_cast<size_t>(cell.table) >= tables_.size()) tables_.resize(cell.table + 1);
    Table& table = tables_[cell.table];
    table.rows = std::max(table.rows, cell.row + cell.rows);
    table.columns = std::max(table.columns, cell.column + cell.columns);
  }
  for (Table& table : tables_) {
    table.at.assign(static_cast<size_t>(table.rows) * table.columns, kNone);
  }
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& cell = cells[i];
    Table& table = tables_[cell.table];
    for (int r = cell.row; r < cell.row + cell.rows; ++r) {
      for (int c = cell.column; c < cell.column + cell.columns; ++c) {
        table.at[static_cast<size_t>(r) * table.columns + c] = i;
      }
    }
  }
}

bool HoldsValueByLook(const std::u16string& text) {
  return text.empty() || IsPlaceholder(text) || IsHint(text) || IsOptions(text);
}

std::vector<RowShape> RowShapes(const Cells& cells) {
  std::vector<RowShape> rows;
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& cell = cells[i];
    if (rows.empty() || rows.back().table != cell.table || rows.back().row != cell.row) {
      rows.push_back({cell.table, cell.row, i, {}});
    }
    rows.back().reaches.push_back(cell.rows);
  }
  return rows;
}

int TableCount(const Cells& cells) { return cells.empty() ? 0 : cells.back().table + 1; }

}  // namespace quillmere::forms::layout
