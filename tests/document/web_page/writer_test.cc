// The page's markup keeps the shape of Word's web pages line by line, and
// the committed sample page shows it.
#include "document/web_page/writer.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "document/server_fixture.h"

namespace quillmere::document::web_page {
namespace {

using testing::Grid;

Paragraph Text(std::u16string_view text) {
  Paragraph paragraph;
  paragraph.AddText(text);
  return paragraph;
}

Cell CellOf(std::u16string_view text, int span = 1, VerticalMerge merge = VerticalMerge::kNone) {
  Cell cell;
  cell.grid_span = span;
  cell.vertical_merge = merge;
  if (!text.empty()) cell.blocks.emplace_back(Text(text));
  return cell;
}

// Two rows on a grid of three: a cell spanning two columns, one spanning two
// rows, and a row that starts one column in.
std::unique_ptr<Table> MergedTable() {
  auto table = std::make_unique<Table>();
  table->grid_column_widths = {1440, 1440, 2880};
  Row first;
  first.cells.push_back(CellOf(u"Wide", 2));
  first.cells.push_back(CellOf(u"Tall", 1, VerticalMerge::kRestart));
  Row second;
  second.grid_before = 1;
  second.cells.push_back(CellOf(u"b"));
  second.cells.push_back(CellOf(u"", 1, VerticalMerge::kContinue));
  table->rows.push_back(std::move(first));
  table->rows.push_back(std::move(second));
  return table;
}

std::string PageOf(std::unique_ptr<Table> table) {
  Document document;
  document.body.emplace_back(Text(u"Intro"));
  document.body.emplace_back(std::move(table));
  std::string page;
  EXPECT_TRUE(Write(document, &page).ok());
  return page;
}

TEST(WebPageWriterTest, TablesHaveWordsShapeLineByLine) {
  const std::string page = PageOf(MergedTable());
  const std::string expected_table =
      "<table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0\r\n"
      " style='border-collapse:collapse;border:none;mso-border-alt:solid windowtext .5pt;\r\n"
      " mso-yfti-tbllook:1184;mso-padding-alt:0cm 5.4pt 0cm 5.4pt'>\r\n"
      " <tr style='mso-yfti-irow:0;mso-yfti-firstrow:yes'>\r\n"
      "  <td width=192 colspan=2 valign=top style='width:144.0pt;border:solid windowtext 1.0pt;\r\n"
      "  mso-border-alt:solid windowtext .5pt;padding:0cm 5.4pt 0cm 5.4pt'>\r\n"
      "  <p class=MsoNormal>Wide<o:p></o:p></p>\r\n"
      "  </td>\r\n"
      "  <td width=192 rowspan=2 valign=top style='width:144.0pt;border:solid windowtext 1.0pt;\r\n"
      "  mso-border-alt:solid windowtext .5pt;padding:0cm 5.4pt 0cm 5.4pt'>\r\n"
      "  <p class=MsoNormal>Tall<o:p></o:p></p>\r\n"
      "  </td>\r\n"
      " </tr>\r\n"
      " <tr style='mso-yfti-irow:1;mso-yfti-lastrow:yes;mso-row-margin-left:72.0pt'>\r\n"
      "  <td style='mso-cell-special:placeholder;border:none;padding:0cm 0cm 0cm 0cm'\r\n"
      "  width=96><p class='MsoNormal'>&nbsp;</td>\r\n"
      "  <td width=96 valign=top style='width:72.0pt;border:solid windowtext 1.0pt;\r\n"
      "  mso-border-alt:solid windowtext .5pt;padding:0cm 5.4pt 0cm 5.4pt'>\r\n"
      "  <p class=MsoNormal>b<o:p></o:p></p>\r\n"
      "  </td>\r\n"
      " </tr>\r\n"
      "</table>\r\n";
  EXPECT_NE(page.find("<p class=MsoNormal>Intro</p>\r\n\r\n" + expected_table), std::string::npos)
      << page;
  EXPECT_NE(page.find("<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">"),
            std::string::npos);
  EXPECT_EQ(page.find("supportMisalignedColumns"), std::string::npos);
}

TEST(WebPageWriterTest, TheConversionTurnsTheTableIntoItsGrid) {
  Grid grid;
  std::vector<std::u16string> pieces = testing::PagePieces(PageOf(MergedTable()));
  ASSERT_EQ(pieces.size(), 2u);
  ASSERT_TRUE(testing::ConvertPiece(pieces[1], &grid).ok());
  EXPECT_EQ(grid, (Grid{{"wide", "wide", "tall"}, {"", "b", "tall"}}));
}

TEST(WebPageWriterTest, TextOutsideCodePage936BecomesCharacterReferences) {
  Document document;
  document.body.emplace_back(Text(u"中文 😀 한"));
  std::string page;
  ASSERT_TRUE(Write(document, &page).ok());
  EXPECT_NE(page.find("\xD6\xD0\xCE\xC4 &#128512; &#54620;"), std::string::npos);  // 中文 in GBK
}

TEST(WebPageWriterTest, NestedTablesStandAmongTheirCellsParagraphs) {
  auto inner = std::make_unique<Table>();
  inner->rows.emplace_back();
  inner->rows[0].cells.push_back(CellOf(u"inner"));
  auto last = std::make_unique<Table>();
  last->rows.emplace_back();
  last->rows[0].cells.push_back(CellOf(u"last"));
  auto outer = std::make_unique<Table>();
  outer->rows.emplace_back();
  Cell cell;
  cell.blocks.emplace_back(Text(u"before"));
  cell.blocks.emplace_back(std::move(inner));
  cell.blocks.emplace_back(Text(u"after"));
  cell.blocks.emplace_back(std::move(last));
  cell.blocks.emplace_back(Paragraph());  // the cell's end, which Word leaves out
  outer->rows[0].cells.push_back(std::move(cell));
  std::string page = PageOf(std::move(outer));
  std::regex shape(
      "\r\n  <p class=MsoNormal>before<o:p></o:p></p>\r\n"
      "  <table class=MsoTableGrid [^>]*>\r\n"
      "   <tr style='mso-yfti-irow:0;mso-yfti-firstrow:yes;mso-yfti-lastrow:yes'>\r\n"
      "    <td width=96 valign=top [^>]*>\r\n"
      "    <p class=MsoNormal>inner<o:p></o:p></p>\r\n"
      "    </td>\r\n"
      "   </tr>\r\n"
      "  </table>\r\n"
      "  <p class=MsoNormal>after<o:p></o:p></p>\r\n"
      "  <table [^]*>last<o:p></o:p></p>\r\n"
      "    </td>\r\n"
      "   </tr>\r\n"
      "  </table>\r\n"
      "  </td>\r\n");
  EXPECT_TRUE(std::regex_search(page, shape)) << page;
}

TEST(WebPageWriterTest, EmptyCellsAndParagraphsHoldANoBreakSpace) {
  auto table = std::make_unique<Table>();
  table->rows.emplace_back();
  table->rows[0].cells.push_back(CellOf(u""));
  std::string page = PageOf(std::move(table));
  EXPECT_NE(page.find("  <p class=MsoNormal><o:p>&nbsp;</o:p></p>\r\n  </td>\r\n"),
            std::string::npos);
}

class SamplePageTest : public testing::ServerTest {};

// sample-page.html shows the page's shape to readers of the code; a change
// to the writer that alters it must come with the regenerated sample.
TEST_F(SamplePageTest, TheCommittedSamplePageIsWhatTheServerWrites) {
  std::string page;
  ASSERT_TRUE(OpenAndSave(Data("sample.docx"), &page).ok());
  std::string sample = Slurp(Data("sample-page.html"));
  if (page != sample) {
    std::filesystem::path actual = std::filesystem::absolute("sample-page.actual.html");
    std::ofstream(actual, std::ios::binary) << page;
    FAIL() << "the page differs from data/sample-page.html; it was written to " << actual;
  }
  EXPECT_EQ(sample.find('\t'), std::string::npos);
  EXPECT_EQ(std::regex_search(sample, std::regex("[^\r]\n")), false) << "a lone LF";
}

}  // namespace
}  // namespace quillmere::document::web_page

namespace quillmere::document::web_page {
namespace {

// A document whose page would pass the limit is refused before the page is
// finished, so a small document with huge tables cannot fill the memory.
TEST(WebPageWriterTest, APageBeyondTheLimitIsRefused) {
  auto many_rows = [] {
    auto table = std::make_unique<Table>();
    table->grid_column_widths = {1440};
    for (int r = 0; r < 1000; ++r) {
      Row row;
      row.cells.push_back(CellOf(u"row"));
      table->rows.push_back(std::move(row));
    }
    Document document;
    document.body.emplace_back(std::move(table));
    return document;
  };
  std::string page;
  ASSERT_TRUE(Write(many_rows(), &page).ok());
  const uint64_t size = page.size();
  Status status = Write(many_rows(), &page, size - 1);
  EXPECT_EQ(status.number(), ErrorNumber::kDocumentTooLarge) << status.ToString();
  EXPECT_NE(status.description().find(std::to_string(size - 1) + " bytes"), std::string::npos);
  EXPECT_TRUE(page.empty());
  EXPECT_TRUE(Write(many_rows(), &page, size).ok());
  EXPECT_EQ(page.size(), size);

  // Written in pieces: the same bytes, none handed on past the limit, and a
  // failed write stops the page at once.
  std::string joined;
  size_t pieces = 0;
  auto collect = [&](std::string_view piece) {
    joined.append(piece);
    ++pieces;
    return Status();
  };
  ASSERT_TRUE(Write(many_rows(), collect, size).ok());
  EXPECT_EQ(joined, page);
  EXPECT_GT(pieces, 1u) << "a page this large comes in more than one piece";
  joined.clear();
  EXPECT_EQ(Write(many_rows(), collect, size - 1).number(), ErrorNumber::kDocumentTooLarge);
  EXPECT_LE(joined.size(), size - 1);
  size_t writes = 0;
  Status refused = Write(many_rows(), [&](std::string_view) {
    ++writes;
    return Status(ErrorNumber::kDiskFull, "full");
  });
  EXPECT_EQ(refused.number(), ErrorNumber::kDiskFull);
  EXPECT_EQ(writes, 1u);
}

}  // namespace
}  // namespace quillmere::document::web_page
