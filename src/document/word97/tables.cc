#include "document/word97/tables.h"

#include <algorithm>
#include <memory>

#include "document/word97/edge_grid.h"

namespace quillmere::document::word97 {
namespace {

constexpr int64_t kFarEdge = 1 << 30;  // padding stops here rather than overflow

// Fits `definition` to `cell_count` cells: missing cells repeat the last
// cell's width (one inch when it defines none), surplus ones are dropped.
void FitDefinition(int cell_count, RowDefinition* definition) {
  if (definition->edges.empty()) definition->edges.push_back(0);
  int count = definition->cell_count();
  int64_t width = count > 0 ? int64_t{definition->edges[count]} - definition->edges[count - 1]
                            : kDefaultColumnTwips;
  for (int i = count; i < cell_count; ++i) {
    definition->edges.push_back(
        static_cast<int>(std::clamp(definition->edges.back() + width, -kFarEdge, kFarEdge)));
  }
  definition->edges.resize(cell_count + 1);
  definition->cell_flags.resize(cell_count, 0);
}

VerticalMerge VerticalMergeOf(uint16_t flags) {
  switch (flags & kVerticalMergeMask) {
    case kVerticalRestart:
      return VerticalMerge::kRestart;
    case kVerticalContinue:
      return VerticalMerge::kContinue;
    default:
      return VerticalMerge::kNone;
  }
}

// Places the row's cells by their edges, folding each cell merged into the
// cell before it: the merged range spans from the first cell's left edge to
// the last one's right edge and keeps the first cell's content.
EdgeRow ToEdgeRow(std::vector<Cell> cells, RowDefinition definition) {
  FitDefinition(static_cast<int>(cells.size()), &definition);
  EdgeRow row;
  row.edges.push_back(definition.edges[0]);
  for (size_t i = 0; i < cells.size(); ++i) {
    uint16_t flags = definition.cell_flags[i];
    if ((flags & kMerged) && !row.cells.empty()) {
      AppendContent(std::move(cells[i]), &row.cells.back());
      row.edges.back() = definition.edges[i + 1];
      continue;
    }
    cells[i].vertical_merge = VerticalMergeOf(flags);
    row.cells.push_back(std::move(cells[i]));
    row.edges.push_back(definition.edges[i + 1]);
  }
  return row;
}

}  // namespace

TableAssembler::OpenTable& TableAssembler::TableAt(int depth) {
  CloseDeeperThan(depth);
  while (open_.size() < static_cast<size_t>(depth)) Open();
  return open_[depth - 1];
}

std::vector<Block>& TableAssembler::Container(size_t level) {
  return level == 0 ? document_->body : open_[level - 1].current.blocks;
}

void TableAssembler::Open() {
  auto table = std::make_unique<Table>();
  OpenTable open;
  open.table = table.get();
  Container(open_.size()).push_back(std::move(table));
  open_.push_back(std::move(open));
}

void TableAssembler::CloseDeeperThan(int depth) {
  while (open_.size() > static_cast<size_t>(depth)) Close();
}

void TableAssembler::Close() {
  OpenTable open = std::move(open_.back());
  open_.pop_back();
  // Cells after the last row end (a damaged file) form a row like the last.
  if (!open.current.blocks.empty()) open.cells.push_back(std::move(open.current));
  if (!open.cells.empty()) {
    RowDefinition last = open.rows.empty() ? RowDefinition() : open.rows.back().definition;
    open.rows.push_back({std::move(open.cells), std::move(last)});
  }
  std::vector<EdgeRow> rows;
  for (PendingRow& row : open.rows)
    rows.push_back(ToEdgeRow(std::move(row.cells), std::move(row.definition)));
  LayOutOnGrid(std::move(rows), open.table);
  // A table without rows leaves no block; its block is the container's last.
  if (open.table->rows.empty()) Container(open_.size()).pop_back();
}

void TableAssembler::AddParagraph(int depth, Paragraph paragraph, std::vector<Block> anchored) {
  CloseDeeperThan(depth);
  std::vector<Block>& blocks = depth == 0 ? document_->body : TableAt(depth).current.blocks;
  blocks.push_back(std::move(paragraph));
  for (Block& block : anchored) blocks.push_back(std::move(block));
}

void TableAssembler::EndCell(int depth, Paragraph paragraph, std::vector<Block> anchored) {
  AddParagraph(depth, std::move(paragraph), std::move(anchored));
  OpenTable& open = open_[depth - 1];
  open.cells.push_back(std::move(open.current));
  open.current = Cell();
}

void TableAssembler::DropRow(int depth) {
  OpenTable& open = TableAt(depth);
  open.cells.clear();
  open.current = Cell();
}

void TableAssembler::EndRow(int depth, RowDefinition definition) {
  OpenTable* open = &TableAt(depth);
  if (!open->current.blocks.empty()) {
    open->cells.push_back(std::move(open->current));
    open->current = Cell();
  }
  if (open->cells.empty()) return;
  if (!open->rows.empty()) {
    const RowDefinition& previous = open->rows.back().definition;
    if (!definition.defined) {
      RowDefinition layout = previous;
      layout.identity = definition.identity;
      definition = std::move(layout);
    }
    if (!definition.SameTableAs(previous)) {
      // A new table starts with this row: move its cells over.
      std::vector<Cell> cells = std::move(open->cells);
      open->cells.clear();
      Close();
      open = &TableAt(depth);
      open->cells = std::move(cells);
    }
  }
  open->rows.push_back({std::move(open->cells), std::move(definition)});
  open->cells.clear();
}

}  // namespace quillmere::document::word97
