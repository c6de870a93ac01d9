// The reader's parts on hand-made inputs: sprms, row definitions, text,
// the grid of cell edges and the assembly of tables.
#include <gtest/gtest.h>

#include "allocations.h"
#include "document/word97/edge_grid.h"
#include "document/word97/paragraphs.h"
#include "document/word97/pieces.h"
#include "document/word97/row.h"
#include "document/word97/sprm.h"
#include "document/word97/tables.h"
#include "document/word97/text.h"
#include "platform/encoding/unicode.h"
#include "table_grid.h"

namespace quillmere::document::word97 {
namespace {

using Grid = std::vector<std::vector<std::string>>;

// Little-endian bytes for building grpprls.
struct Bytes {
  std::string data;
  Bytes& U8(int v) {
    data.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& U16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Bytes& U32(uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
};

// sprmTDefTable with the given edges and merge flags.
Bytes& DefTable(Bytes& b, const std::vector<int>& edges, const std::vector<int>& flags) {
  int cells = static_cast<int>(edges.size()) - 1;
  b.U16(sprm::kTDefTable)
      .U16(1 + 1 + 2 * static_cast<int>(edges.size()) + 20 * static_cast<int>(flags.size()));
  b.U8(cells);
  for (int edge : edges) b.U16(edge);
  for (int f : flags) {
    b.U16(f);
    for (int k = 0; k < 18; ++k) b.U8(0);
  }
  return b;
}

std::vector<Sprm> Parse(const std::string& grpprl) {
  std::vector<Sprm> sprms;
  AppendSprms(grpprl, &sprms);
  return sprms;
}

TEST(SprmTest, OperandSizesFollowTheOpcodeAndTheirExceptions) {
  Bytes b;
  b.U16(sprm::kPFInTable).U8(1);          // spra 1: one byte
  b.U16(sprm::kPItap).U32(2);             // spra 3: four bytes
  b.U16(0xD634).U8(3).U8(1).U8(2).U8(3);  // spra 6: length byte
  DefTable(b, {0, 100, 200}, {1});        // 16-bit length, plus one
  b.U16(sprm::kPChgTabs).U8(255).U8(1).U32(0).U8(2).U16(0).U8(0).U16(0).U8(0);  // walked
  b.U16(sprm::kTVertMerge).U8(2).U8(1).U8(3);
  b.U16(sprm::kPFTtp).U8(1);
  std::vector<Sprm> sprms = Parse(b.data);
  ASSERT_EQ(sprms.size(), 7u);
  EXPECT_EQ(sprms[1].operand.I32(0), 2);
  EXPECT_EQ(sprms[2].operand.size(), 3u);
  EXPECT_EQ(sprms[3].operand.size(), 1u + 2 * 3 + 20u);
  EXPECT_EQ(sprms[4].operand.size(), 1u + 4 + 1 + 3 * 2);
  EXPECT_EQ(sprms[5].operand.U8(1), 3);
  EXPECT_EQ(sprms[6].opcode, sprm::kPFTtp);
}

TEST(SprmTest, AGrpprlCutShortYieldsItsIntactBeginning) {
  Bytes b;
  b.U16(sprm::kPFInTable).U8(1).U16(sprm::kPItap).U16(0);  // the second operand is cut off
  EXPECT_EQ(Parse(b.data).size(), 1u);
  Bytes c;
  c.U16(sprm::kTDefTable).U16(0xFFFF).U8(1);
  EXPECT_TRUE(Parse(c.data).empty());
}

TEST(SprmTest, PieceModifiersStandForOneSprmOrAPropertyEntry) {
  std::vector<std::string_view> prcs = {"\x16\x24\x01"};  // sprmPFInTable 1
  std::vector<Sprm> sprms;
  AppendPrmSprms(0x0018 << 1 | 0x0100, prcs, &sprms);  // Prm0: isprm 0x18, value 1
  AppendPrmSprms(0x0000 << 1 | 1, prcs, &sprms);       // Prm1: entry 0
  AppendPrmSprms(0x0005 << 1 | 1, prcs, &sprms);       // Prm1 past the list: nothing
  ASSERT_EQ(sprms.size(), 2u);
  EXPECT_EQ(sprms[0].opcode, sprm::kPFInTable);
  EXPECT_EQ(sprms[0].operand.U8(0), 1);
  EXPECT_EQ(sprms[1].opcode, sprm::kPFInTable);
}

TEST(PieceTextTest, EightBitTextUsesWordsMappingOfWindows1252) {
  EXPECT_EQ(DecodeCompressedByte('A'), u'A');
  EXPECT_EQ(DecodeCompressedByte(0xE9), u'\u00E9');
  EXPECT_EQ(DecodeCompressedByte(0x93), u'\u201C');
  EXPECT_EQ(DecodeCompressedByte(0x85), u'\u2026');
  EXPECT_EQ(DecodeCompressedByte(0x9F), u'\u0178');
  // Not remapped: these keep their Latin-1 code points.
  for (int byte : {0x80, 0x81, 0x8D, 0x8E, 0x8F, 0x90, 0x9D, 0x9E}) {
    EXPECT_EQ(DecodeCompressedByte(static_cast<uint8_t>(byte)), byte);
  }
}

TEST(RowDefinitionTest, DefTableGivesEdgesAndFlagsWithMissingCellDescriptorsZero) {
  Bytes b;
  DefTable(b, {-108, 1000, 2000, 3000}, {0x0060, 0x0001});
  RowDefinition row = ReadRowDefinition(Parse(b.data));
  EXPECT_TRUE(row.defined);
  EXPECT_EQ(row.edges, (std::vector<int>{-108, 1000, 2000, 3000}));
  EXPECT_EQ(row.cell_flags, (std::vector<uint16_t>{0x0060, 0x0001, 0}));
}

TEST(RowDefinitionTest, LaterTableSprmsEditTheRowInOrder) {
  Bytes b;
  DefTable(b, {0, 100, 200, 300}, {0, 0, 0});
  b.U16(sprm::kTInsert).U8(1).U8(2).U16(50);  // two cells of 50 before cell 1
  b.U16(sprm::kTDxaCol).U8(0).U8(1).U16(80);  // cell 0 narrows to 80
  b.U16(sprm::kTDelete).U8(4).U8(5);          // the last cell goes
  b.U16(sprm::kTMerge).U8(1).U8(3);
  b.U16(sprm::kTSplit).U8(2).U8(3);
  b.U16(sprm::kTVertMerge).U8(2).U8(3).U8(3);
  RowDefinition row = ReadRowDefinition(Parse(b.data));
  EXPECT_EQ(row.edges, (std::vector<int>{0, 80, 130, 180, 280}));
  EXPECT_EQ(row.cell_flags, (std::vector<uint16_t>{0, kFirstMerged, 0, kVerticalRestart}));
}

// The row-end paragraph's sprms: `grpprl` in its paragraph run.
std::vector<Sprm> RowEndSprms(const std::string& grpprl, const std::string& data) {
  ParagraphSpan span;
  span.fkp_sprms = grpprl;
  std::vector<Sprm> sprms;
  uint64_t budget = 1000;
  EXPECT_TRUE(ParagraphSprms(span, PieceTable(), data, &budget, &sprms));
  return sprms;
}

TEST(RowDefinitionTest, TablePropertiesInTheDataStreamApplyOnlyWithoutAnInlineDefinition) {
  Bytes indirect;
  indirect.U16(sprm::kTInsert).U8(0).U8(2).U16(500);
  indirect.U16(sprm::kTVertMerge).U8(2).U8(1).U8(1);
  Bytes data;
  data.U32(0).U16(static_cast<int>(indirect.data.size()));
  data.data += indirect.data;
  Bytes only_indirect;
  only_indirect.U16(sprm::kPTableProps).U32(4);
  RowDefinition row = ReadRowDefinition(RowEndSprms(only_indirect.data, data.data));
  EXPECT_EQ(row.edges, (std::vector<int>{0, 500, 1000}));
  EXPECT_EQ(row.cell_flags, (std::vector<uint16_t>{0, kVerticalContinue}));

  Bytes both = only_indirect;
  DefTable(both, {0, 700}, {});
  EXPECT_EQ(ReadRowDefinition(RowEndSprms(both.data, data.data)).edges, (std::vector<int>{0, 700}));
  // An offset past the Data stream adds nothing.
  Bytes stray;
  stray.U16(sprm::kPTableProps).U32(1 << 30);
  EXPECT_FALSE(ReadRowDefinition(RowEndSprms(stray.data, data.data)).defined);
}

TEST(ParagraphSprmsTest, HugePropertiesComeFromTheDataStreamInPlace) {
  Bytes huge;
  huge.U16(sprm::kPItap).U32(3);
  Bytes data;
  data.U16(static_cast<int>(huge.data.size()));
  data.data += huge.data;
  Bytes grpprl;
  grpprl.U16(sprm::kPItap).U32(1).U16(sprm::kPHugePapx).U32(0).U16(sprm::kPFInnerTtp).U8(1);
  TableMarks marks = ReadTableMarks(RowEndSprms(grpprl.data, data.data));
  EXPECT_EQ(marks.depth, 3);
  EXPECT_TRUE(marks.inner_row_end);
}

TEST(RowDefinitionTest, IdentitySprmsTellTablesApart) {
  Bytes plain, floating;
  DefTable(plain, {0, 100}, {});
  DefTable(floating, {0, 100}, {});
  floating.U16(0x940E).U16(720);  // sprmTDxaAbs
  RowDefinition a = ReadRowDefinition(Parse(plain.data));
  EXPECT_TRUE(a.SameTableAs(ReadRowDefinition(Parse(plain.data))));
  EXPECT_FALSE(a.SameTableAs(ReadRowDefinition(Parse(floating.data))));
}

TEST(TableMarksTest, DepthComesFromItapOrTheInTableFlag) {
  Bytes in_table, nested;
  in_table.U16(sprm::kPFInTable).U8(1).U16(sprm::kPFTtp).U8(1);
  nested.U16(sprm::kPFInTable).U8(1).U16(sprm::kPItap).U32(2).U16(sprm::kPFInnerTtp).U8(1);
  TableMarks a = ReadTableMarks(Parse(in_table.data));
  EXPECT_EQ(a.depth, 1);
  EXPECT_TRUE(a.row_end);
  TableMarks b = ReadTableMarks(Parse(nested.data));
  EXPECT_EQ(b.depth, 2);
  EXPECT_TRUE(b.inner_row_end);
  Bytes absurd;
  absurd.U16(sprm::kPItap).U32(0x7FFFFFFF).U16(sprm::kPDtap).U32(0x7FFFFFFF);
  EXPECT_EQ(ReadTableMarks(Parse(absurd.data)).depth, kMaxTableDepth);
}

std::string Shown(std::u16string_view characters) {
  TextFilter filter;
  Paragraph paragraph;
  filter.Append(characters, &paragraph);
  Cell cell;
  cell.blocks.push_back(paragraph);
  return testing::CellText(cell);
}

TEST(TextFilterTest, FieldsKeepTheirResultAndDropTheirInstructionNestedToo) {
  EXPECT_EQ(Shown(u"a\x13 PAGE \x14"
                  u"7\x15 b"),
            "a7 b");
  EXPECT_EQ(Shown(u"\x13 IF \x13 DATE \x14"
                  u"1\x15 = 1 \x14yes\x15"),
            "yes");
  EXPECT_EQ(Shown(u"x\x13 REF a \x14[\x13 PAGE \x14"
                  u"3\x15]\x15y"),
            "x[3]y");
  EXPECT_EQ(Shown(u"\x13 TC \"entry\" \x15shown"), "shown");  // no separator: nothing
  EXPECT_EQ(Shown(u"\x15\x14stray marks"), "stray marks");
}

TEST(TextFilterTest, FieldsContinueAcrossParagraphsButNotPastACell) {
  TextFilter filter;
  Paragraph first, second, third;
  filter.Append(u"\x13 HYPERLINK \"x\" \x14start", &first);
  filter.Append(u"end\x15 after", &second);
  filter.Append(u"\x13 broken", &first);
  filter.CloseFields();
  filter.Append(u"visible", &third);
  ASSERT_EQ(second.inlines.size(), 1u);
  EXPECT_EQ(second.inlines[0].text, u"end after");
  ASSERT_EQ(third.inlines.size(), 1u);
  EXPECT_EQ(third.inlines[0].text, u"visible");
}

TEST(TextFilterTest, SpecialCharacters) {
  EXPECT_EQ(Shown(u"a\x0B"
                  u"b\x09"
                  u"c"),
            "a\nb\tc");
  EXPECT_EQ(Shown(u"non\x1E"
                  u"breaking soft\x1Fhyphen"),
            "non\u2011breaking softhyphen");
  EXPECT_EQ(Shown(u"no\u00A0break"), "no\u00A0break");
  EXPECT_EQ(Shown(u"pic\x01 draw\x08 note\x02 comment\x05 page\x0C col\x0E"),
            "pic draw note comment page col");
  EXPECT_EQ(Shown(u"\uF0FC symbol"), "\uF0FC symbol");
}

Cell TextCell(const char* text) {
  Cell cell;
  Paragraph paragraph;
  paragraph.AddText(unicode::FromUtf8(text));
  cell.blocks.push_back(paragraph);
  return cell;
}

EdgeRow Row(std::vector<int64_t> edges, std::vector<const char*> texts,
            std::vector<VerticalMerge> merges = {}) {
  EdgeRow row;
  row.edges = std::move(edges);
  for (size_t i = 0; i < texts.size(); ++i) {
    row.cells.push_back(TextCell(texts[i]));
    if (i < merges.size()) row.cells.back().vertical_merge = merges[i];
  }
  return row;
}

// Rows are move-only (cells may own tables), so no initializer lists.
template <typename... Rows>
std::vector<EdgeRow> RowsOf(Rows&&... rows) {
  std::vector<EdgeRow> all;
  (all.push_back(std::move(rows)), ...);
  return all;
}

// Lays `rows` out into a table of `document` and expands it.
Grid Layout(std::vector<EdgeRow> rows, Document* document, const Table** table) {
  auto laid_out = std::make_unique<Table>();
  LayOutOnGrid(std::move(rows), laid_out.get());
  *table = laid_out.get();
  document->body.push_back(std::move(laid_out));
  return testing::ExpandTables(*document).at(0).rows;
}

TEST(EdgeGridTest, TheGridIsTheUnionOfEveryRowsEdges) {
  Document document;
  const Table* table = nullptr;
  Grid grid = Layout(
      RowsOf(Row({0, 100, 300}, {"a", "b"}), Row({0, 200, 300}, {"c", "d"}), Row({-5, 300}, {"e"})),
      &document, &table);
  EXPECT_EQ(table->grid_column_widths, (std::vector<int>{5, 100, 100, 100}));
  EXPECT_EQ(grid, (Grid{{"", "a", "b", "b"}, {"", "c", "c", "d"}, {"e", "e", "e", "e"}}));
  EXPECT_EQ(table->rows[0].grid_before, 1);
  EXPECT_EQ(table->rows[0].cells[1].grid_span, 2);
}

TEST(EdgeGridTest, ShortRowsLeaveColumnsAfterThem) {
  Document document;
  const Table* table = nullptr;
  Grid grid =
      Layout(RowsOf(Row({0, 100, 200}, {"a", "b"}), Row({0, 100}, {"c"})), &document, &table);
  EXPECT_EQ(table->rows[1].grid_after, 1);
  EXPECT_EQ(grid, (Grid{{"a", "b"}, {"c", ""}}));
}

TEST(EdgeGridTest, CellsWithoutWidthJoinANeighbourButRowsRunningBackwardsKeepEveryCell) {
  Document document;
  const Table* table = nullptr;
  Grid grid =
      Layout(RowsOf(Row({0, 100, 100, 200}, {"a", "zero", "b"}), Row({0, 0, 200}, {"first", "c"}),
                    Row({0, 150, 120}, {"d", "backwards"})),
             &document, &table);
  EXPECT_EQ(grid, (Grid{{"a\nzero", "b", "b", "b"},
                        {"first\nc", "first\nc", "first\nc", "first\nc"},
                        {"d", "d", "backwards", ""}}));
  // Edges past 32,767 twips, stored as 16-bit numbers, wrap around.
  Document wide;
  grid = Layout(RowsOf(Row({0, 30000, 35000 - 65536}, {"x", "y"}), Row({0, 35000}, {"z"})), &wide,
                &table);
  EXPECT_EQ(grid, (Grid{{"x", "y"}, {"z", "z"}}));
}

TEST(EdgeGridTest, VerticalMergesNeedARestartAboveInTheSameColumn) {
  Document document;
  const Table* table = nullptr;
  using V = VerticalMerge;
  Grid grid = Layout(RowsOf(Row({0, 100, 200}, {"top", "x"}, {V::kRestart, V::kContinue}),
                            Row({0, 100, 200}, {"", "y"}, {V::kContinue, V::kNone}),
                            Row({0, 100, 200}, {"", "z"}, {V::kContinue, V::kContinue})),
                     &document, &table);
  EXPECT_EQ(grid, (Grid{{"top", "x"}, {"top", "y"}, {"top", "z"}}));
  EXPECT_EQ(table->rows[0].cells[1].vertical_merge, VerticalMerge::kNone);  // nothing above it
  EXPECT_EQ(table->rows[2].cells[1].vertical_merge,
            VerticalMerge::kNone);  // "y" above is not merged
}

Paragraph Text(const char* text) {
  Paragraph paragraph;
  paragraph.AddText(unicode::FromUtf8(text));
  return paragraph;
}

RowDefinition Definition(std::vector<int> edges, std::vector<uint16_t> flags = {},
                         uint32_t position = 0) {
  RowDefinition row;
  row.defined = true;
  row.edges = std::move(edges);
  row.cell_flags = std::move(flags);
  row.cell_flags.resize(row.edges.size() - 1);
  row.identity[6] = position;
  return row;
}

TEST(TableAssemblerTest, HorizontallyMergedCellsFoldIntoTheFirst) {
  Document document;
  TableAssembler assembler(&document);
  for (const char* text : {"merged", "", "", "last"}) assembler.EndCell(1, Text(text));
  assembler.EndRow(1, Definition({8, 6097, 9169, 9169, 9317}, {kFirstMerged, kMerged, kMerged, 0}));
  for (const char* text : {"a", "b", "c", "d"}) assembler.EndCell(1, Text(text));
  assembler.EndRow(1, Definition({8, 3000, 6097, 9169, 9317}));
  assembler.Finish();
  auto tables = testing::ExpandTables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, (Grid{{"merged", "merged", "merged", "last"}, {"a", "b", "c", "d"}}));
}

TEST(TableAssemblerTest, RowsWithDifferentIdentitiesStartANewTable) {
  Document document;
  TableAssembler assembler(&document);
  assembler.EndCell(1, Text("normal"));
  assembler.EndRow(1, Definition({0, 100}));
  assembler.EndCell(1, Text("floating"));
  assembler.EndRow(1, Definition({0, 100}, {}, 720));
  assembler.AddParagraph(0, Text("after"));
  assembler.Finish();
  auto tables = testing::ExpandTables(document);
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[1].rows, (Grid{{"floating"}}));
  EXPECT_EQ(document.body.size(), 3u);
}

TEST(TableAssemblerTest, DamagedStructureStillGivesRectangularTables) {
  Document document;
  TableAssembler assembler(&document);
  // A row end without a definition (it takes the row before's, widened for
  // its extra cell), cells with no row end before the table closes, and a
  // row end deeper than any cell.
  assembler.EndCell(1, Text("a"));
  assembler.EndCell(1, Text("b"));
  assembler.EndRow(1, Definition({0, 100, 200}));
  assembler.EndCell(1, Text("c"));
  assembler.EndCell(1, Text("d"));
  assembler.EndCell(1, Text("e"));
  assembler.EndRow(1, RowDefinition());
  assembler.EndCell(1, Text("f"));
  assembler.EndRow(2, RowDefinition());
  assembler.Finish();
  auto tables = testing::ExpandTables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, (Grid{{"a", "b", ""}, {"c", "d", "e"}, {"f", "", ""}}));
  EXPECT_EQ(document.body.size(), 1u);
}

TEST(TableAssemblerTest, HugeRowsAndTablesTakeLinearWork) {
  const testing::Allocations before = testing::AllocationsSoFar();
  Document document;
  TableAssembler assembler(&document);
  // 200,000 cells in a row defined with one cell of no width: all join.
  constexpr int kJoined = 200000;
  for (int i = 0; i < kJoined; ++i) assembler.EndCell(1, Text("x"));
  assembler.EndRow(1, Definition({0, 0}));
  // 50,000 rows with an edge each of their own, every cell merged downwards.
  constexpr int kRows = 50000;
  for (int i = 0; i < kRows; ++i) {
    assembler.EndCell(1, Text("y"));
    assembler.EndRow(1, Definition({0, 10 + i}, {kVerticalContinue}));
  }
  assembler.Finish();
  const testing::Allocations after = testing::AllocationsSoFar();
  // Linear work allocates a few times per cell; moving rows or cells into
  // ever new storage, as work that grows with their square does, far more.
  const size_t cells = kJoined + kRows;
  EXPECT_LT(after.count - before.count, 10 * cells);
  EXPECT_LT(after.bytes - before.bytes, 1000 * cells);
  const Table& table = *std::get<std::unique_ptr<Table>>(document.body.at(0));
  ASSERT_EQ(table.rows.size(), 50001u);
  EXPECT_EQ(table.rows[0].cells.size(), 1u);
  EXPECT_EQ(table.grid_column_widths.size(), 50000u);
}

}  // namespace
}  // namespace quillmere::document::word97
