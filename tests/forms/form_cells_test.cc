// A form's cells from the document model: each merged cell once with its
// place and reach, its text as a person reads it, boxes of every kind.
#include "forms/form_cells.h"

#include <gtest/gtest.h>

#include "platform/encoding/unicode.h"

namespace quillmere::forms {
namespace {

using document::FormMark;
using document::Paragraph;
using document::VerticalMerge;

Paragraph Text(std::u16string_view text) {
  Paragraph paragraph;
  paragraph.AddText(text);
  return paragraph;
}

document::Cell CellOf(Paragraph paragraph, int span = 1,
                      VerticalMerge merge = VerticalMerge::kNone) {
  document::Cell cell;
  cell.grid_span = span;
  cell.vertical_merge = merge;
  cell.blocks.emplace_back(std::move(paragraph));
  return cell;
}

template <typename... Rows>
std::unique_ptr<document::Table> TableOf(Rows... rows) {
  auto table = std::make_unique<document::Table>();
  table->grid_column_widths.assign(4, 1000);
  (table->rows.push_back(std::move(rows)), ...);
  return table;
}

// Where a cell stands and what it reads, as a test compares it.
std::string Seen(const Cell& cell) {
  return std::to_string(cell.table) + ":" + std::to_string(cell.row) + "," +
         std::to_string(cell.column) + " " + std::to_string(cell.rows) + "x" +
         std::to_string(cell.columns) + " " + unicode::ToUtf8(cell.text) +
         (cell.field_name.empty() ? "" : " #" + unicode::ToUtf8(cell.field_name));
}

std::vector<std::string> SeenCells(const document::Document& document, TableChoice choice) {
  Cells cells;
  int tables = 0;
  EXPECT_TRUE(ReadCells(document, choice, &cells, &tables));
  std::vector<std::string> seen;
  for (const Cell& cell : cells) seen.push_back(Seen(cell));
  return seen;
}

TEST(FormCellsTest, MergedCellsStandOnceWhereTheyBeginAndReachAsFarAsTheyCover) {
  document::Row first, second, third;
  first.cells.push_back(CellOf(Text(u"情况"), 1, VerticalMerge::kRestart));
  first.cells.push_back(CellOf(Text(u"姓名")));
  first.cells.push_back(CellOf(Text(u"张三"), 2));
  second.cells.push_back(CellOf(Text(u""), 1, VerticalMerge::kContinue));
  second.cells.push_back(CellOf(Text(u"性别")));
  second.cells.push_back(CellOf(Text(u"男")));
  second.cells.push_back(CellOf(Text(u"照片"), 1, VerticalMerge::kRestart));
  third.grid_before = 2;
  third.cells.push_back(CellOf(Text(u"x")));
  third.cells.push_back(CellOf(Text(u""), 1, VerticalMerge::kContinue));
  document::Document document;
  document.body.emplace_back(Text(u"before"));
  document.body.emplace_back(TableOf(std::move(first), std::move(second), std::move(third)));
  document.body.emplace_back(TableOf());

  EXPECT_EQ(SeenCells(document, {}),
            (std::vector<std::string>{"0:0,0 2x1 情况", "0:0,1 1x1 姓名", "0:0,2 1x2 张三",
                                      "0:1,1 1x1 性别", "0:1,2 1x1 男", "0:1,3 2x1 照片",
                                      "0:2,2 1x1 x"}));
  Cells cells;
  int tables = 0;
  EXPECT_FALSE(ReadCells(document, {3, 3, false}, &cells, &tables));
  EXPECT_EQ(tables, 2);
  EXPECT_TRUE(ReadCells(document, {1, 2, false}, &cells, &tables));
}

TEST(FormCellsTest, TextsReadAsAPersonReadsThemWithEveryKindOfBox) {
  Paragraph list = Text(u"第一  项\u00A0\u3000");
  auto label = std::make_shared<document::ListLabel>();
  label->text = u"1.";
  list.list_label = label;
  Paragraph second = Text(u"Two");
  second.AddBreak();
  second.AddText(u"lines\ttab");

  // A content control's glyph, a form field's place, Wingdings' ticked box
  // (U+F0FE), Wingdings 2's empty one ("£"), and a named text field.
  Paragraph boxes = Text(u"☒同意 否 ");
  boxes.form_marks.push_back({FormMark::Kind::kCheckBox, 0, 1, false, {}});
  boxes.form_marks.push_back({FormMark::Kind::kCheckBox, 4, 0, true, {}});
  boxes.AddText(u"\uF0FE是 £否 电话 1234");
  boxes.MarkSymbolFont(6, 1, u"Wingdings");
  boxes.MarkSymbolFont(9, 1, u"Wingdings 2");
  boxes.form_marks.push_back({FormMark::Kind::kNamedField, 15, 4, false, u"phone"});

  document::Row nested_row;
  nested_row.cells.push_back(CellOf(Text(u"inner")));
  document::Cell outer = CellOf(std::move(list));
  outer.blocks.emplace_back(std::move(second));
  outer.blocks.emplace_back(TableOf(std::move(nested_row)));
  document::Row row;
  row.cells.push_back(std::move(outer));
  row.cells.push_back(CellOf(std::move(boxes)));
  document::Document document;
  document.body.emplace_back(TableOf(std::move(row)));

  EXPECT_EQ(SeenCells(document, {1, 1, false}),
            (std::vector<std::string>{"0:0,0 1x1 1. 第一 项 Two lines tab inner",
                                      "0:0,1 1x1 ☐同意 ☑否 ☑是 □否 电话 1234 #phone"}));
}

}  // namespace
}  // namespace quillmere::forms
