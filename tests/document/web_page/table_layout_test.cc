#include "document/web_page/table_layout.h"

#include <gtest/gtest.h>

namespace quillmere::document::web_page {
namespace {

struct CellShape {
  int span = 1;
  VerticalMerge merge = VerticalMerge::kNone;
};

CellShape Plain(int span = 1, VerticalMerge merge = VerticalMerge::kNone) { return {span, merge}; }

Row RowOf(std::initializer_list<CellShape> cells, int before = 0) {
  Row row;
  row.grid_before = before;
  for (const CellShape& shape : cells) {
    row.cells.emplace_back();
    row.cells.back().grid_span = shape.span;
    row.cells.back().vertical_merge = shape.merge;
  }
  return row;
}

// Per row: "column:rowspan" of every cell written.
std::vector<std::string> Placement(const TableLayout& layout) {
  std::vector<std::string> rows;
  for (const PlacedRow& row : layout.rows) {
    std::string text = std::to_string(row.before) + "|";
    for (const PlacedCell& cell : row.cells) {
      text += " " + std::to_string(cell.column) + ":" + std::to_string(cell.rowspan);
    }
    rows.push_back(text + " |" + std::to_string(row.after));
  }
  return rows;
}

constexpr auto kRestart = VerticalMerge::kRestart;
constexpr auto kContinue = VerticalMerge::kContinue;

TEST(TableLayoutTest, AMergeCoversTheCellsThatContinueItInTheSameColumns) {
  Table table;
  table.grid_column_widths = {100, 100, 100};
  table.rows.push_back(RowOf({Plain(1, kRestart), Plain(2, kRestart)}));
  table.rows.push_back(RowOf({Plain(1, kContinue), Plain(2, kContinue)}));
  table.rows.push_back(RowOf({Plain(1, kContinue), Plain(1), Plain(1)}));
  // The middle row has no cell of its own, and is still a row the spans count.
  EXPECT_EQ(Placement(LayOutTable(table)),
            (std::vector<std::string>{"0| 0:3 1:2 |0", "0| |0", "0| 1:1 2:1 |0"}));
}

TEST(TableLayoutTest, RowsCoveredOnlyInPartKeepTheirRowAndTheSpanCountsThem) {
  Table table;
  table.grid_column_widths = {100, 100};
  table.rows.push_back(RowOf({Plain(1, kRestart), Plain()}));
  table.rows.push_back(RowOf({Plain(1, kContinue), Plain()}));
  table.rows.push_back(RowOf({Plain(1, kContinue), Plain()}));
  EXPECT_EQ(Placement(LayOutTable(table)),
            (std::vector<std::string>{"0| 0:3 1:1 |0", "0| 1:1 |0", "0| 1:1 |0"}));
}

TEST(TableLayoutTest, AContinueThatMatchesNoMergeAboveIsAnOrdinaryCell) {
  Table table;
  table.grid_column_widths = {100, 100};
  table.rows.push_back(RowOf({Plain(), Plain(1, kRestart)}));
  table.rows.push_back(RowOf({Plain(1, kContinue), Plain(1, kContinue)}));
  table.rows.push_back(RowOf({Plain(2, kContinue)}));  // wider than the merge above
  EXPECT_EQ(Placement(LayOutTable(table)),
            (std::vector<std::string>{"0| 0:1 1:2 |0", "0| 0:1 |0", "0| 0:1 |0"}));
}

TEST(TableLayoutTest, ShortRowsKeepRoomBeforeAndAfterAndTheGridGrowsToTheWidest) {
  Table table;
  table.grid_column_widths = {100, 200};
  table.rows.push_back(RowOf({Plain()}, /*before=*/1));
  table.rows.push_back(RowOf({Plain(), Plain(), Plain()}));
  TableLayout layout = LayOutTable(table);
  EXPECT_EQ(Placement(layout), (std::vector<std::string>{"1| 1:1 |1", "0| 0:1 1:1 2:1 |0"}));
  EXPECT_EQ(layout.column_widths, (std::vector<int>{100, 200, kDefaultColumnTwips}));
}

}  // namespace
}  // namespace quillmere::document::web_page
