// Real .docx files from other projects (read from the shared fixtures
// folder, never copied here; see support/fixtures.h): every table comes
// out on the page as a proper grid, as many tables and rows as the file
// holds, and the conversion turns each body table into rows of its width.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>

#include "document/server_fixture.h"
#include "support/fixtures.h"

namespace quillmere::document::docx {
namespace {

namespace fs = std::filesystem;
using testing::Grid;

const fs::path kFixtures = fs::path(QUILLMERE_FIXTURES);

struct Counts {
  int tables = 0;
  int rows = 0;
};

// The tables and rows the fixtures' manifest counted in each .docx.
std::map<std::string, Counts> ManifestCounts() {
  std::map<std::string, Counts> counts;
  std::ifstream manifest(kFixtures / "MANIFEST.tsv");
  static const std::regex kNote(R"(tables=(\d+) .* rows=(\d+))");
  for (std::string line; std::getline(manifest, line);) {
    std::smatch m;
    if (line.rfind("docx/", 0) == 0 && std::regex_search(line, m, kNote)) {
      counts[line.substr(5, line.find('\t') - 5)] = {std::stoi(m[1]), std::stoi(m[2])};
    }
  }
  return counts;
}

class RealDocxTest : public testing::ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    QM_REQUIRE_FIXTURE("docx");
  }
  Grid FixtureTable(const std::string& name, size_t n) {
    std::string page;
    Status opened = OpenAndSave((kFixtures / "docx" / name).string(), &page);
    EXPECT_TRUE(opened.ok()) << opened.ToString();
    return TableOfPage(page, n);
  }
};

TEST_F(RealDocxTest, EveryTableIsAProperGridThatConvertsToItsWidth) {
  std::map<std::string, Counts> manifest = ManifestCounts();
  ASSERT_GE(manifest.size(), 25u);
  for (const auto& [name, counted] : manifest) {
    SCOPED_TRACE(name);
    std::string page;
    Status opened = OpenAndSave((kFixtures / "docx" / name).string(), &page);
    ASSERT_TRUE(opened.ok()) << opened.ToString();

    std::vector<testing::TableShape> shapes = testing::TableShapes(page);
    std::vector<std::u16string> pieces = testing::PagePieces(page);
    ASSERT_EQ(pieces.size(), shapes.size() + 1);
    int rows = 0;
    for (const testing::TableShape& shape : shapes) rows += shape.rows;
    // The manifest counted both branches of the one text box that holds a
    // table (of 7 rows); the page has it once.
    bool text_box = name == "tika__testWORD_tableInRunInsideParagraph.docx";
    // It counted w:tbl elements: Word shows the six of this file, with
    // nothing between them, as one table.
    bool adjacent = name == "unstructured__tables-with-incomplete-rows.docx";
    EXPECT_EQ(static_cast<int>(shapes.size()), adjacent ? 1 : counted.tables - (text_box ? 1 : 0));
    EXPECT_EQ(rows, counted.rows - (text_box ? 7 : 0));

    for (size_t t = 0; t < shapes.size(); ++t) {
      SCOPED_TRACE("table " + std::to_string(t + 1));
      EXPECT_TRUE(shapes[t].rectangular);
      // A nested table's piece runs on into the rest of the table around
      // it, and a table holding one is cut short: only the others convert
      // to exactly their own rows.
      if (shapes[t].depth > 0 || shapes[t].nests) continue;
      Grid grid;
      Status converted = testing::ConvertPiece(pieces[t + 1], &grid);
      ASSERT_TRUE(converted.ok()) << converted.ToString();
      EXPECT_EQ(static_cast<int>(grid.size()), shapes[t].rows);
      for (const auto& row : grid) {
        EXPECT_EQ(static_cast<int>(row.size()), shapes[t].columns);
      }
    }
  }
}

// The cells of this file name the rows and columns they cover.
TEST_F(RealDocxTest, CellsSpanningRowsAndColumnsCoverWhatTheirNamesSay) {
  EXPECT_EQ(FixtureTable("d2p__merged_cells.docx", 1), (Grid{
                                                           {"0-0", "0-12", "0-12", "0-3"},
                                                           {"12-0", "1-1", "1-2", "1-3"},
                                                           {"12-0", "2-1", "2-2", "2-3"},
                                                           {"3-0", "34-123", "34-123", "34-123"},
                                                           {"4-0", "34-123", "34-123", "34-123"},
                                                       }));
}

TEST_F(RealDocxTest, ChineseTextInMergedCells) {
  EXPECT_EQ(FixtureTable("torchv__test.docx", 2),
            (Grid{
                {"类别", "详细信息"},
                {"官方联系方式", "办公室电话:+493012345678"},
                {"官方联系方式", "学术邮箱:alexander.humboldt@uni-berlin.de"},
                {"表2:学术联系方式", "表2:学术联系方式"},
            }));
  Grid merged = FixtureTable("aspnet__Merged_table.docx", 1);
  ASSERT_GE(merged.size(), 7u);
  EXPECT_EQ(merged[6], std::vector<std::string>(4, "发表文章（参考文献）：无"));
}

TEST_F(RealDocxTest, RowsStartingAfterTheFirstGridColumn) {
  Grid grid = FixtureTable("pandoc__table_gridbefore.docx", 1);
  ASSERT_GE(grid.size(), 2u);
  EXPECT_EQ(grid[0], (std::vector<std::string>{"", "bits", "bits", "bits", "bits", "bits", "bits",
                                               "bits", "bits", "", ""}));
  EXPECT_EQ(grid[1],
            (std::vector<std::string>{"", "8", "7", "6", "5", "4", "3", "2", "1", "", ""}));
}

TEST_F(RealDocxTest, StrictOpenXml) {
  EXPECT_EQ(FixtureTable("d2p__strict.docx", 1),
            (Grid{{"cellaa", "cellab"}, {"cellba", "cellbb"}}));
}

}  // namespace
}  // namespace quillmere::document::docx
