// What the form's layout files share: the grid of cells, rows as shapes,
// and the look of a cell that holds a value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/form_cells.h"

namespace quillmere::forms::layout {

inline constexpr size_t kNone = SIZE_MAX;

// Which cell covers each place of each table's grid.
class CellGrid {
 public:
  explicit CellGrid(const Cells& cells);

  // The cell covering row `row`, grid column `column` of `table`, or kNone.
  size_t At(int table, int row, int column) const {
    if (table < 0 || static_cast<size_t>(table) >= tables_.size()) return kNone;
    const Table& t = tables_[table];
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns) return kNone;
    return t.at[static_cast<size_t>(row) * t.columns + column];
  }

  const Cell& operator[](size_t i) const { return cells_[i]; }

 private:
  struct Table {
    int rows = 0;
    int columns = 0;
    std::vector<size_t> at;
  };
  const Cells& cells_;
  std::vector<Table> tables_;
};

inline bool SameWidth(const Cell& a, const Cell& b) {
  return a.column == b.column && a.columns == b.columns;
}

// A place for a value by its look alone.
bool HoldsValueByLook(const std::u16string& text);

// A row's cells as the shape compares them: where each one starts in the
// list of cells, and how many rows each reaches.
struct RowShape {
  int table = 0;
  int row = 0;
  size_t first = 0;
  std::vector<int> reaches;
};

std::vector<RowShape> RowShapes(const Cells& cells);

int TableCount(const Cells& cells);

}  // namespace quillmere::forms::layout
