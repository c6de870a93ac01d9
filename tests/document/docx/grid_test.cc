#include "document/docx/grid.h"

#include <gtest/gtest.h>

namespace quillmere::document::docx {
namespace {

Row RowOfSpans(std::vector<int> spans, int before = 0) {
  Row row;
  row.grid_before = before;
  for (int span : spans) {
    row.cells.emplace_back();
    row.cells.back().grid_span = span;
  }
  return row;
}

std::vector<int> Spans(const Row& row) {
  std::vector<int> spans{row.grid_before};
  for (const Cell& cell : row.cells) spans.push_back(cell.grid_span);
  spans.push_back(row.grid_after);
  return spans;
}

TEST(DocxGridTest, WithoutAGridTheUnionOfCellEdgesBecomesTheGrid) {
  Table table;
  table.rows.push_back(RowOfSpans({1, 1, 1}));
  table.rows.push_back(RowOfSpans({1, 1}));
  table.rows.push_back(RowOfSpans({1}, 1));
  std::vector<RowWidths> widths = {{-1, {1000, 2000, 1000}}, {-1, {2000, 2000}}, {500, {500}}};
  ASSERT_TRUE(FitGrid(table, widths).ok());
  EXPECT_EQ(table.grid_column_widths, (std::vector<int>{500, 500, 1000, 1000, 1000}));
  EXPECT_EQ(Spans(table.rows[0]), (std::vector<int>{0, 2, 2, 1, 0}));
  EXPECT_EQ(Spans(table.rows[1]), (std::vector<int>{0, 3, 2, 0}));
  EXPECT_EQ(Spans(table.rows[2]), (std::vector<int>{1, 1, 3}));
}

TEST(DocxGridTest, WithoutWidthsTheGridCountsTheWidestRow) {
  Table table;
  table.rows.push_back(RowOfSpans({1, 2}));
  table.rows.push_back(RowOfSpans({1}));
  std::vector<RowWidths> widths = {{-1, {-1, 300}}, {-1, {-1}}};
  ASSERT_TRUE(FitGrid(table, widths).ok());
  EXPECT_EQ(table.grid_column_widths.size(), 3u);
  EXPECT_EQ(Spans(table.rows[1]), (std::vector<int>{0, 1, 2})) << "the short row is padded";
}

TEST(DocxGridTest, TheFilesGridIsKeptAndRowsAreFittedToIt) {
  Table table;
  table.grid_column_widths = {100, 100, 100};
  table.rows.push_back(RowOfSpans({1}, 1));
  table.rows.push_back(RowOfSpans({2, 2}));
  std::vector<RowWidths> widths = {{100, {100}}, {-1, {200, 200}}};
  ASSERT_TRUE(FitGrid(table, widths).ok());
  EXPECT_EQ(table.grid_column_widths, (std::vector<int>{100, 100, 100, kDefaultColumnTwips}));
  EXPECT_EQ(Spans(table.rows[0]), (std::vector<int>{1, 1, 2}));
  EXPECT_EQ(Spans(table.rows[1]), (std::vector<int>{0, 2, 2, 0}));
}

TEST(DocxGridTest, RefusesATableWiderThanAnyGrid) {
  Table table;
  table.rows.push_back(RowOfSpans({kMaxGridColumns, 1}));
  std::vector<RowWidths> widths = {{-1, {-1, -1}}};
  Status status = FitGrid(table, widths);
  EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument);
  EXPECT_NE(status.description().find("columns"), std::string::npos);
}

}  // namespace
}  // namespace quillmere::document::docx
