// Every element the .docx reader understands, from the committed fixtures
// (made by data/make_fixtures.py), through the web page and the table
// conversion to the grid the database receives. Cell texts are as the
// conversion leaves them: lower case, without blanks.
#include <gtest/gtest.h>

#include "document/server_fixture.h"

namespace quillmere::document::docx {
namespace {

using testing::Grid;

class DocxReaderTest : public testing::ServerTest {};

const Grid kMergedCells = {
    {"name", "name", "age", "city"}, {"a", "b", "30", "北京"}, {"a", "c", "31", "上海"},
    {"a", "d", "32", "上海"},        {"hm", "hm", "x", "y"},
};

TEST_F(DocxReaderTest, ColumnSpansVerticalMergesAndLegacyHorizontalMerges) {
  EXPECT_EQ(TableOf("merged-cells.docx", 1), kMergedCells);
}

TEST_F(DocxReaderTest, ADocxNamedTestDocOpensByItsContent) {
  std::string page;
  ASSERT_TRUE(OpenAndSave(Copy(Data("merged-cells.docx"), "test.doc"), &page).ok());
  EXPECT_EQ(TableOfPage(page, 1), kMergedCells);
}

TEST_F(DocxReaderTest, AnyPrefixBoundToWordprocessingMlIsRead) {
  EXPECT_EQ(TableOf("other-prefix.docx", 1), kMergedCells);
}

TEST_F(DocxReaderTest, RowsWithDifferentCellEdgesShareTheUnionOfTheirEdges) {
  EXPECT_EQ(TableOf("ragged.docx", 1), (Grid{
                                           {"a", "a", "b", "b", "c"},
                                           {"d", "d", "d", "e", "e"},
                                           {"f", "g", "g", "g", "g"},
                                       }));
}

TEST_F(DocxReaderTest, RowsShortOfTheGridAreFilledWithPlaceholders) {
  EXPECT_EQ(TableOf("ragged.docx", 2), (Grid{
                                           {"x", "y", "z"},
                                           {"", "p", "q"},
                                           {"s", "t", ""},
                                           {"u", "", ""},
                                       }));
}

TEST_F(DocxReaderTest, TextKeepsEscapesChineseAndLosesBreaksAndBlanks) {
  EXPECT_EQ(TableOf("text-and-nesting.docx", 1),
            (Grid{
                {"hesaid&quot;hi&quot;&amp;left", "&lt;tag&gt;", "中文text"},
                {"", "lineonelinetwo", "firstsecond"},
                {"tabherelead", "abc", "emoji&#128512;&#54620;"},
            }));
}

TEST_F(DocxReaderTest, NestedTablesAreTablesOfTheirOwnWhereTheyStandInTheirCell) {
  std::string page;
  ASSERT_TRUE(OpenAndSave(Data("text-and-nesting.docx"), &page).ok());
  std::vector<std::u16string> pieces = testing::PagePieces(page);
  ASSERT_EQ(pieces.size(), 5u) << "text table, outer table, nested table, last table";
  // The outer table's piece ends where the nested table begins, after the
  // cell's first paragraph; the second follows the nested table, as on
  // Word's pages.
  std::string outer = unicode::ToUtf8(pieces[2]);
  EXPECT_EQ(outer.find("after inner"), std::string::npos) << outer;
  std::string nested = unicode::ToUtf8(pieces[3]);
  EXPECT_NE(nested.find("</table>\r\n  <p class=MsoNormal>after inner"), std::string::npos)
      << nested;
  EXPECT_EQ(TableOfPage(page, 3), (Grid{{"inner1"}, {"inner2"}})) << nested;
  EXPECT_EQ(TableOfPage(page, 4), (Grid{{"lasttable"}}));
}

TEST_F(DocxReaderTest, FieldResultsRevisionsWrappersAndSymbols) {
  EXPECT_EQ(TableOf("fields-and-revisions.docx", 1),
            (Grid{
                {"page7", "yes"},
                {"kept", "linkcitycontrolsimple"},
                {"a-b\xC3\xBC", "choice"},  // the Wingdings check mark's code, ü
                {"rowincontrol", "r2"},
                {"cellincontrol", "c2"},
            }));
}

TEST_F(DocxReaderTest, ATableInATextBoxFollowsItsAnchorOnce) {
  std::string page;
  ASSERT_TRUE(OpenAndSave(Data("fields-and-revisions.docx"), &page).ok());
  EXPECT_NE(page.find("<p class=MsoNormal>in custom xml</p>"), std::string::npos);
  ASSERT_EQ(testing::PagePieces(page).size(), 3u);
  EXPECT_EQ(TableOfPage(page, 2), (Grid{{"boxed"}}));
}

TEST_F(DocxReaderTest, ADocumentLibreOfficeWrote) {
  EXPECT_EQ(TableOf("libreoffice-made.docx", 1), (Grid{
                                                     {"合并标题", "合并标题", "c"},
                                                     {"左", "1", "2"},
                                                     {"左", "3", "4&amp;5"},
                                                 }));
}

}  // namespace
}  // namespace quillmere::document::docx
