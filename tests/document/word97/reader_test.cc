// The reader on documents LibreOffice wrote from the HTML in data/sources
// (see data/make_fixtures.sh).
#include "document/word97/reader.h"

#include <gtest/gtest.h>

#include "table_grid.h"
#include "test_files.h"

namespace quillmere::document::word97 {
namespace {

using testing::ExpandTables;
using testing::Fixture;
using Grid = std::vector<std::vector<std::string>>;

std::vector<testing::ExpandedTable> ReadTables(const std::string& name, Document* document) {
  std::string bytes = Fixture(name);
  EXPECT_FALSE(bytes.empty()) << name;
  Status status = ReadDocument(bytes, document);
  EXPECT_TRUE(status.ok()) << status.ToString();
  return ExpandTables(*document);
}

std::vector<testing::ExpandedTable> ReadTables(const std::string& name) {
  Document document;
  return ReadTables(name, &document);
}

std::string BodyText(const Block& block) {
  const auto* paragraph = std::get_if<Paragraph>(&block);
  if (paragraph == nullptr) return "<table>";
  Cell cell;
  cell.blocks.push_back(*paragraph);
  return testing::CellText(cell);
}

const Table& TableAt(const Document& document, size_t index) {
  return *std::get<std::unique_ptr<Table>>(document.body.at(index));
}

TEST(Word97ReaderTest, PlainTableBetweenParagraphs) {
  Document document;
  auto tables = ReadTables("plain.doc", &document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows,
            (Grid{{"Name", "Count", "Price"}, {"Apples", "12", "0.50"}, {"Pears", "7", "0.75"}}));
  ASSERT_EQ(document.body.size(), 3u);
  EXPECT_EQ(BodyText(document.body[0]), "Before the table.");
  EXPECT_EQ(BodyText(document.body[1]), "<table>");
  EXPECT_EQ(BodyText(document.body[2]), "After the table.");
  const Table& table = TableAt(document, 1);
  EXPECT_EQ(table.grid_column_widths.size(), 3u);
  for (const Row& row : table.rows) EXPECT_EQ(row.cells.size(), 3u);
}

TEST(Word97ReaderTest, HorizontalAndVerticalMergesAlsoInOneCell) {
  Document document;
  auto tables = ReadTables("merges.doc", &document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, (Grid{{"wide", "wide", "c1", "d1"},
                                  {"tall", "b2", "big", "big"},
                                  {"tall", "b3", "big", "big"},
                                  {"a4", "b4", "c4", "d4"}}));
  const Table& table = TableAt(document, 1);
  ASSERT_EQ(table.grid_column_widths.size(), 4u);
  EXPECT_EQ(table.rows[0].cells[0].grid_span, 2);
  const Cell& big = table.rows[1].cells[2];
  EXPECT_EQ(big.grid_span, 2);
  EXPECT_EQ(big.vertical_merge, VerticalMerge::kRestart);
  EXPECT_EQ(table.rows[1].cells[0].vertical_merge, VerticalMerge::kRestart);
  const Row& third = table.rows[2];
  ASSERT_EQ(third.cells.size(), 3u);
  EXPECT_EQ(third.cells[0].vertical_merge, VerticalMerge::kContinue);
  EXPECT_EQ(third.cells[2].vertical_merge, VerticalMerge::kContinue);
  EXPECT_EQ(third.cells[2].grid_span, 2);
}

TEST(Word97ReaderTest, RaggedRowsLeaveGridColumnsAfterThem) {
  Document document;
  auto tables = ReadTables("ragged.doc", &document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, (Grid{{"a1", "b1", "c1"}, {"a2", "", ""}, {"a3", "b3", ""}}));
  const Table& table = TableAt(document, 1);
  ASSERT_EQ(table.grid_column_widths.size(), 3u);
  // Row 2 ends one column early; row 3's last cell is empty.
  EXPECT_EQ(table.rows[1].cells.size(), 2u);
  EXPECT_EQ(table.rows[1].grid_after, 1);
  EXPECT_EQ(table.rows[2].cells.size(), 3u);
  EXPECT_EQ(table.rows[2].grid_after, 0);
}

TEST(Word97ReaderTest, NestedTablesFollowTheirParentInsideTheirCell) {
  Document document;
  auto tables = ReadTables("nested.doc", &document);
  ASSERT_EQ(tables.size(), 3u);
  EXPECT_EQ(tables[0].depth, 1);
  EXPECT_EQ(tables[0].rows,
            (Grid{{"outer a1", "before inner\nafter inner"}, {"outer a2", "outer b2"}}));
  EXPECT_EQ(tables[1].depth, 2);
  EXPECT_EQ(tables[1].rows, (Grid{{"inner a1", "inner b1"}, {"inner a2", "holds the deepest\n"}}));
  EXPECT_EQ(tables[2].depth, 3);
  EXPECT_EQ(tables[2].rows, (Grid{{"deepest"}}));
  // The inner table sits between the cell's paragraphs.
  const Cell& outer = TableAt(document, 1).rows[0].cells[1];
  ASSERT_EQ(outer.blocks.size(), 3u);
  EXPECT_TRUE(std::holds_alternative<Paragraph>(outer.blocks[0]));
  EXPECT_TRUE(std::holds_alternative<std::unique_ptr<Table>>(outer.blocks[1]));
  EXPECT_TRUE(std::holds_alternative<Paragraph>(outer.blocks[2]));
}

TEST(Word97ReaderTest, SeveralTablesAndTablesAtTheVeryStartAndEnd) {
  auto several = ReadTables("several.doc");
  ASSERT_EQ(several.size(), 3u);
  EXPECT_EQ(several[0].rows, (Grid{{"first", "1"}}));
  EXPECT_EQ(several[1].rows, (Grid{{"second"}, {"2"}}));
  EXPECT_EQ(several[2].rows, (Grid{{"third", "3", "three"}}));

  Document document;
  auto edges = ReadTables("at_edges.doc", &document);
  ASSERT_EQ(edges.size(), 2u);
  EXPECT_EQ(edges[0].rows, (Grid{{"starts the document", "x"}}));
  EXPECT_EQ(edges[1].rows, (Grid{{"ends the document", "y"}}));
  EXPECT_EQ(BodyText(document.body.front()), "<table>");
}

TEST(Word97ReaderTest, TextInSixteenBitPiecesAndWesternCharacters) {
  auto chinese = ReadTables("chinese.doc");
  ASSERT_EQ(chinese.size(), 1u);
  EXPECT_EQ(chinese[0].rows, (Grid{{"姓名", "部门", "电话"},
                                   {"张三", "数据库存在形式", "010-12345678"},
                                   {"李四", "显示的效果类似", "021-87654321"}}));
  auto latin = ReadTables("latin.doc");
  ASSERT_EQ(latin.size(), 1u);
  EXPECT_EQ(latin[0].rows, (Grid{{"“Quoted” – dash … ellipsis", "Œuvre café naïve"},
                                 {"Price: 5 €, £ 3, ¥ 7", "Ångström ÿ ‰ • †"}}));
}

TEST(Word97ReaderTest, FieldsShowTheirResultAndSpecialCharactersAreMapped) {
  auto fields = ReadTables("fields.doc");
  ASSERT_EQ(fields.size(), 1u);
  EXPECT_EQ(fields[0].rows,
            (Grid{{"link", "see the example page here"}, {"page", "page 1 of the document"}}));
  auto specials = ReadTables("specials.doc");
  ASSERT_EQ(specials.size(), 1u);
  EXPECT_EQ(specials[0].rows, (Grid{{"line one\nline two", "paragraph one\nparagraph two"},
                                    {"no\u00A0break", "non\u2011breaking hyphen, softhyphen"}}));
}

TEST(Word97ReaderTest, DocumentWithoutTables) {
  Document document;
  EXPECT_TRUE(ReadTables("no_tables.doc", &document).empty());
  ASSERT_EQ(document.body.size(), 2u);
  EXPECT_EQ(BodyText(document.body[0]), "A document without tables.");
  EXPECT_EQ(BodyText(document.body[1]), "Second paragraph.");
}

TEST(Word97ReaderTest, TwoThousandRows) {
  std::string bytes = testing::ReadFileBytes(LARGE_2000_ROWS_DOC);
  ASSERT_FALSE(bytes.empty());
  Document document;
  ASSERT_TRUE(ReadDocument(bytes, &document).ok());
  auto tables = ExpandTables(document);
  ASSERT_EQ(tables.size(), 1u);
  ASSERT_EQ(tables[0].rows.size(), 2001u);
  EXPECT_EQ(tables[0].rows[0], (std::vector<std::string>{"Row", "Number", "Name", "Amount"}));
  EXPECT_EQ(tables[0].rows[2000],
            (std::vector<std::string>{"row 2000", "0", "item name 60", "500.00"}));
}

}  // namespace
}  // namespace quillmere::document::word97
