// The reader on real Word 97-2003 documents from other projects, read from
// the shared fixtures folder (see support/fixtures.h). Expected counts
// are LibreOffice's where it reads the tables as Word shows them; the
// exceptions say why.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "document/word97/reader.h"
#include "platform/encoding/unicode.h"
#include "support/fixtures.h"
#include "table_grid.h"
#include "test_files.h"

namespace quillmere::document::word97 {
namespace {

std::string FixturePath(const std::string& name) {
  return std::string(QUILLMERE_FIXTURES) + "/" + name;
}

// Reads a fixture, or ends the test when it is absent (QM_REQUIRE_FIXTURE).
#define READ_FIXTURE_OR_SKIP(name, document)                           \
  do {                                                                 \
    QM_REQUIRE_FIXTURE(name);                                          \
    std::string bytes_ = testing::ReadFileBytes(FixturePath(name));    \
    Status status_ = ReadDocument(bytes_, (document));                 \
    ASSERT_TRUE(status_.ok()) << (name) << ": " << status_.ToString(); \
  } while (0)

// Calls `visit` for every table, nested ones included, in document order.
void ForEachTable(const std::vector<Block>& blocks,
                  const std::function<void(const Table&)>& visit) {
  for (const Block& block : blocks) {
    const auto* table = std::get_if<std::unique_ptr<Table>>(&block);
    if (table == nullptr) continue;
    visit(**table);
    for (const Row& row : (*table)->rows) {
      for (const Cell& cell : row.cells) ForEachTable(cell.blocks, visit);
    }
  }
}

int CountCells(const Document& document, const std::function<bool(const Cell&)>& which) {
  int count = 0;
  ForEachTable(document.body, [&](const Table& table) {
    for (const Row& row : table.rows) {
      for (const Cell& cell : row.cells) count += which(cell);
    }
  });
  return count;
}

bool AnyCellText(const Document& document, const std::string& text) {
  return CountCells(document, [&](const Cell& cell) {
           return testing::CellText(cell).find(text) != std::string::npos;
         }) > 0;
}

struct Expected {
  const char* file;
  int tables;
  int rows;
  int depth;
};

TEST(Word97FixturesTest, TableCountsRowsAndNesting) {
  const Expected expected[] = {
      {"doc/aspjava__AsposeJoiningTables__tableDoc.doc", 2, 6, 1},
      {"doc/aspjava__MailMerge.InsertHtml_Gold.doc", 1, 5, 1},
      {"doc/aspjava__Table_column_bookmarks.doc", 2, 4, 1},
      {"doc/aspjava__Template.doc", 1, 12, 1},
      {"doc/aspjava__TestDefect1352.doc", 1, 2, 1},
      {"doc/aspjava__TestFile.SourcePageSetup.doc", 9, 51, 1},
      {"doc/aspjava__data__TestFile_3.doc", 1, 3, 1},
      {"doc/aspjava__document.doc", 7, 11, 2},
      {"doc/aspjava__trackDoc.doc", 7, 11, 2},
      {"doc/aspnet__TestFile.Destination.doc", 1, 21, 1},
      {"doc/aspnet__TestFile.Source.doc", 9, 51, 1},
      {"doc/ck4__11237borderBug.doc", 1, 3, 1},
      {"doc/ck4__3744BigWikiArticle.doc", 11, 127, 2},
      {"doc/ck4__3959Test_doc_with_date.doc", 1, 33, 1},
      {"doc/ck4__4427test-document.doc", 1, 7, 1},
      {"doc/ck4__6595.doc", 1, 2, 1},
      {"doc/ck4__7521simple_table.doc", 1, 3, 1},
      {"doc/gb8567__GB8567-88_cb6b5827.doc", 2, 16, 1},
      {"doc/nwe__test03.doc", 1, 5, 1},
      {"doc/nwe__test12.doc", 1, 2, 1},
      {"doc/nwe__test19.doc", 1, 6, 1},
      {"doc/poi__20-Force-on-a-current-S00.doc", 4, 25, 1},
      {"doc/poi__58804.doc", 1, 8, 1},
      {"doc/poi__AIOOB-Tap.doc", 6, 74, 1},
      // Two text boxes anchored in its one-cell table hold a table each.
      {"doc/poi__Bug46817.doc", 3, 21, 2},
      {"doc/poi__Bug47286.doc", 1, 14, 1},
      {"doc/poi__Bug47958.doc", 2, 17, 1},
      {"doc/poi__Bug48065.doc", 1, 4, 1},
      {"doc/poi__Bug49919.doc", 1, 2, 1},
      {"doc/poi__Bug52032_2.doc", 3, 3, 1},
      {"doc/poi__Bug53380_3.doc", 23, 144, 1},
      // Its only table is in the page header, not in the main text.
      {"doc/poi__Bug53380_4.doc", 0, 0, 0},
      {"doc/poi__FloatingPictures.doc", 1, 4, 1},
      {"doc/poi__ProblemExtracting.doc", 30, 554, 1},
      // A floating row right after a normal one starts a table of its own.
      {"doc/poi__TestBug52372.doc", 4, 4, 1},
      {"doc/poi__TestChineseProperties.doc", 1, 3, 1},
      {"doc/poi__TestSectionDictionary.doc", 1, 12, 1},
      {"doc/poi__bug65255.doc", 1, 2, 1},
      {"doc/poi__innertable.doc", 2, 5, 2},
      {"doc/poi__parentinvguid.doc", 1, 21, 1},
      {"doc/poi__simple-table.doc", 1, 2, 1},
      {"doc/poi__simple-table2.doc", 1, 3, 1},
      {"doc/spire__fillFormField.doc", 1, 20, 1},
      {"doc/tika__testWORD_numbered_list.doc", 1, 3, 1},
      // Its table is in the page header.
      {"doc/tika__test_TIKA-1251.doc", 0, 0, 0},
      {"doc/unstructured__fake-doc-emphasized-text.doc", 1, 2, 1},
      // Fast-saved: 421 pieces in any order, most with property modifiers.
      {"doc-odd/poi__Bug33519.doc", 3, 29, 1},
      {"doc-odd/poi__Fuzzed.doc", 1, 4, 1},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.file);
    Document document;
    READ_FIXTURE_OR_SKIP(e.file, &document);
    auto tables = testing::ExpandTables(document);
    int rows = 0, depth = 0;
    for (const auto& table : tables) {
      rows += static_cast<int>(table.rows.size());
      depth = std::max(depth, table.depth);
    }
    EXPECT_EQ(static_cast<int>(tables.size()), e.tables);
    EXPECT_EQ(rows, e.rows);
    EXPECT_EQ(depth, e.depth);
  }
}

TEST(Word97FixturesTest, OutOfScopeFilesAreRefusedForTheFallback) {
  for (const char* file : {"doc-odd/poi__Bug60942.doc",                             // Word 6.0
                           "doc-odd/tika__testWORDML_tableInsideParagraph.doc"}) {  // XML, not OLE
    QM_REQUIRE_FIXTURE(file);
    std::string bytes = testing::ReadFileBytes(FixturePath(file));
    Document document;
    EXPECT_EQ(ReadDocument(bytes, &document).number(), ErrorNumber::kUnsupportedFormat) << file;
    EXPECT_TRUE(document.body.empty());
  }
}

TEST(Word97FixturesTest, FuzzedFileReadsWithoutHarm) {
  Document document;
  READ_FIXTURE_OR_SKIP("doc-odd/poi__clusterfuzz-testcase-minimized-POIHWPFFu_2087ed01.doc",
                       &document);
  EXPECT_FALSE(testing::ExpandTables(document).empty());
}

TEST(Word97FixturesTest, MergedCellsFoldIntoTheFirstAndLeaveNoEmptyOnes) {
  // Row 1: edges 8, 6097, 9169, 9169, 9169, 9317 with merge flags 0, 1, 2, 2, 0.
  Document document;
  READ_FIXTURE_OR_SKIP("doc/aspjava__MailMerge.InsertHtml_Gold.doc", &document);
  const Table& table = *std::get<std::unique_ptr<Table>>(*std::find_if(
      document.body.begin(), document.body.end(),
      [](const Block& b) { return std::holds_alternative<std::unique_ptr<Table>>(b); }));
  const Row& first = table.rows[0];
  ASSERT_EQ(first.cells.size(), 3u);
  EXPECT_EQ(testing::CellText(first.cells[1]), "INDIVIDUAL");
}

TEST(Word97FixturesTest, WiderCellsBecomeColumnSpansOnTheUnionOfEdges) {
  Document document;
  READ_FIXTURE_OR_SKIP("doc/ck4__3959Test_doc_with_date.doc", &document);
  int columns = 0;
  ForEachTable(document.body,
               [&](const Table& t) { columns = static_cast<int>(t.grid_column_widths.size()); });
  EXPECT_EQ(columns, 10);  // as in Word's own HTML of this document
  EXPECT_EQ(CountCells(document, [](const Cell& c) { return c.grid_span > 1; }), 96);
  // Form fields keep their stored result: five en spaces.
  EXPECT_TRUE(AnyCellText(document, "\u2002\u2002\u2002\u2002\u2002"));
  EXPECT_FALSE(AnyCellText(document, "FORMTEXT"));
}

TEST(Word97FixturesTest, VerticalMergesAndChineseText) {
  auto restarts = [](const Cell& c) { return c.vertical_merge == VerticalMerge::kRestart; };
  Document gb8567;
  READ_FIXTURE_OR_SKIP("doc/gb8567__GB8567-88_cb6b5827.doc", &gb8567);
  EXPECT_EQ(CountCells(gb8567, restarts), 2);
  EXPECT_TRUE(AnyCellText(gb8567, "\u7a0b\u5e8f"));  // 程序

  Document chinese;
  READ_FIXTURE_OR_SKIP("doc/poi__TestChineseProperties.doc", &chinese);
  EXPECT_EQ(CountCells(chinese, restarts), 2);
}

TEST(Word97FixturesTest, StoredFieldResultsAndSymbols) {
  Document dictionary;
  READ_FIXTURE_OR_SKIP("doc/poi__TestSectionDictionary.doc", &dictionary);
  EXPECT_TRUE(AnyCellText(dictionary, "Document1"));  // a FILENAME field's stored result

  Document checks;
  READ_FIXTURE_OR_SKIP("doc/poi__parentinvguid.doc", &checks);
  EXPECT_TRUE(
      AnyCellText(checks, "\uF0FC"));  // Wingdings check marks, stored as "(" plus sprmCSymbol

  Document degrees;
  READ_FIXTURE_OR_SKIP("doc/poi__Bug53380_3.doc", &degrees);
  EXPECT_TRUE(AnyCellText(degrees, "\uF0B0"));  // the Symbol font's degree sign
}

TEST(Word97FixturesTest, NarrowRowsStayLeftAlignedWithColumnsAfterThem) {
  Document document;
  READ_FIXTURE_OR_SKIP("doc/poi__20-Force-on-a-current-S00.doc", &document);
  std::vector<const Table*> tables;
  ForEachTable(document.body, [&](const Table& t) { tables.push_back(&t); });
  ASSERT_GE(tables.size(), 3u);
  const Table& third = *tables[2];
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(third.rows[r].cells.size(), 1u);
    EXPECT_EQ(third.rows[r].grid_before, 0);
    EXPECT_GT(third.rows[r].grid_after, 0);
  }
}

TEST(Word97FixturesTest, EdgesAFewTwipsApartStillMakeTheirOwnColumns) {
  Document document;
  READ_FIXTURE_OR_SKIP("doc/poi__ProblemExtracting.doc", &document);
  std::vector<const Table*> tables;
  ForEachTable(document.body, [&](const Table& t) { tables.push_back(&t); });
  ASSERT_EQ(tables.size(), 30u);
  EXPECT_EQ(tables[23]->grid_column_widths.size(), 6u);  // LibreOffice joins two of them
}

TEST(Word97FixturesTest, EveryFixtureSurvivesDamage) {
  // Bytes overwritten all over each document: never a crash, and a failure
  // leaves the document empty.
  std::error_code error;
  std::vector<std::string> files;
  for (const char* folder : {"doc", "doc-odd"}) {
    QM_REQUIRE_FIXTURE(folder);
    for (const auto& entry : std::filesystem::directory_iterator(FixturePath(folder), error)) {
      files.push_back(entry.path().string());
    }
  }
  uint32_t seed = 1;
  for (const std::string& file : files) {
    std::string good = testing::ReadFileBytes(file);
    for (int round = 0; round < 20; ++round) {
      std::string bad = good;
      for (int k = 0; k < 8 && !bad.empty(); ++k) {
        seed = seed * 1103515245 + 12345;
        bad[(seed >> 8) % bad.size()] = static_cast<char>(seed >> 24);
      }
      Document document;
      if (!ReadDocument(bad, &document).ok()) {
        EXPECT_TRUE(document.body.empty()) << file;
      }
    }
  }
}

}  // namespace
}  // namespace quillmere::document::word97
