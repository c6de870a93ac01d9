#include "document/docx/grid.h"

#include <algorithm>
#include <iterator>

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

// 0, then the right edge of each grid column.
std::vector<int64_t> GridLines(const Table& table) {
  std::vector<int64_t> lines{0};
  for (int width : table.grid_column_widths) lines.push_back(lines.back() + width);
  return lines;
}

// Places `row`, laid on a grid of `lines`, on `grid`, whose lines include them.
void PlaceOn(const EdgeGrid& grid, const std::vector<int64_t>& lines, Row& row) {
  size_t column = static_cast<size_t>(row.grid_before);
  std::vector<int64_t> edges{lines[column]};
  for (const Cell& cell : row.cells) {
    column += static_cast<size_t>(cell.grid_span);
    edges.push_back(lines[column]);
  }
  grid.Place(edges, row);
}

Table& TableOf(Block& block) { return *std::get<std::unique_ptr<Table>>(block); }

// Joins the tables of blocks[first, last) into the first. Each one's rows
// cover its grid exactly (FitGrid).
Status JoinRun(std::vector<Block>& blocks, size_t first, size_t last) {
  Table& joined = TableOf(blocks[first]);
  std::vector<std::vector<int64_t>> lines;
  std::vector<int64_t> all;
  bool same_grid = true;
  for (size_t i = first; i < last; ++i) {
    lines.push_back(GridLines(TableOf(blocks[i])));
    all.insert(all.end(), lines.back().begin(), lines.back().end());
    same_grid = same_grid && lines.back() == lines.front();
  }
  if (!same_grid) {
    EdgeGrid grid(std::move(all));
    if (grid.columns() > kMaxGridColumns) return TooWide(static_cast<size_t>(grid.columns()));
    for (size_t i = first; i < last; ++i) {
      for (Row& row : TableOf(blocks[i]).rows) PlaceOn(grid, lines[i - first], row);
    }
    joined.grid_column_widths = grid.ColumnWidths();
  }
  for (size_t i = first + 1; i < last; ++i) {
    std::vector<Row>& rows = TableOf(blocks[i]).rows;
    std::move(rows.begin(), rows.end(), std::back_inserter(joined.rows));
  }
  return Status();
}

const std::string* KeyOf(const TableKeys& keys, const Block& block) {
  const auto* table = std::get_if<std::unique_ptr<Table>>(&block);
  if (table == nullptr) return nullptr;
  auto found = keys.find(table->get());
  return found == keys.end() ? nullptr : &found->second;
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

Status JoinAdjacentTables(const TableKeys& keys, std::vector<Block>& blocks) {
  size_t kept = 0;  // blocks[0, kept) are done; joined tables' places close up
  for (size_t first = 0; first < blocks.size();) {
    const std::string* key = KeyOf(keys, blocks[first]);
    size_t last = first + 1;
    while (key != nullptr && last < blocks.size()) {
      const std::string* next = KeyOf(keys, blocks[last]);
      if (next == nullptr || *next != *key) break;
      ++last;
    }
    if (last - first > 1) QM_RETURN_IF_ERROR(JoinRun(blocks, first, last));
    if (auto* table = std::get_if<std::unique_ptr<Table>>(&blocks[first])) {
      for (Row& row : (*table)->rows) {
        for (Cell& cell : row.cells) QM_RETURN_IF_ERROR(JoinAdjacentTables(keys, cell.blocks));
      }
    }
    if (kept != first) blocks[kept] = std::move(blocks[first]);
    ++kept;
    first = last;
  }
  blocks.erase(blocks.begin() + static_cast<std::ptrdiff_t>(kept), blocks.end());
  return Status();
}

Status JoinAdjacentTables(const TableKeys& keys, Document& document) {
  if (keys.size() < 2) return Status();
  QM_RETURN_IF_ERROR(JoinAdjacentTables(keys, document.body));
  for (std::vector<Note>* notes : {&document.footnotes, &document.endnotes}) {
    for (Note& note : *notes) QM_RETURN_IF_ERROR(JoinAdjacentTables(keys, note.blocks));
  }
  return Status();
}

}  // namespace quillmere::document::docx
