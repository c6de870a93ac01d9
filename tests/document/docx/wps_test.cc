// Documents as WPS Office writes them: numeric style ids with Word's own
// style names, lists through paragraph styles, merges continued by a bare
// w:vMerge, its own namespace (wpsCustomData) declared beside Word's and
// used in an mc:Choice Word cannot read, and parts of its own. Read as the
// user gets them from Word: values as the conversion leaves them.
#include <gtest/gtest.h>

#include "document/server_fixture.h"
#include "support/fixtures.h"
#include "support/zip_writer.h"

namespace quillmere::document::docx {
namespace {

using testing::Grid;

class WpsDocumentTest : public testing::ServerTest {};

constexpr char kRoot[] =
    "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
    "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
    "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
    "xmlns:wpsCustomData=\"http://www.wps.cn/officeDocument/2013/wpsCustomData\" "
    "mc:Ignorable=\"w14 wp14\"><w:body>";

std::string Text(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }

std::string Styled(const std::string& style, const std::string& runs) {
  return "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>" + runs + "</w:p>";
}

std::string Cell(const std::string& properties, const std::string& paragraphs) {
  return "<w:tc><w:tcPr>" + properties + "</w:tcPr>" + paragraphs + "</w:tc>";
}

// WPS's branch first, one Word knows nothing of; Word reads the fallback.
std::string OwnBranch(const std::string& fallback) {
  return "<mc:AlternateContent><mc:Choice Requires=\"wpsCustomData\">"
         "<wpsCustomData:docfieldStart id=\"1\"/></mc:Choice><mc:Fallback>" +
         fallback + "</mc:Fallback></mc:AlternateContent>";
}

TEST_F(WpsDocumentTest, ListsMergesStylesAndItsOwnMarkupReadAsWordShowsThem) {
  const std::string styles =
      "<w:styles xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"1\"><w:name w:val=\"Normal\"/>"
      "</w:style><w:style w:type=\"paragraph\" w:styleId=\"2\"><w:name w:val=\"heading 1\"/>"
      "<w:basedOn w:val=\"1\"/></w:style><w:style w:type=\"paragraph\" w:styleId=\"3\">"
      "<w:name w:val=\"List Paragraph\"/><w:pPr><w:numPr><w:numId w:val=\"1\"/></w:numPr>"
      "</w:pPr></w:style></w:styles>";
  const std::string numbering =
      "<w:numbering xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:abstractNum w:abstractNumId=\"0\"><w:multiLevelType w:val=\"singleLevel\"/>"
      "<w:lvl w:ilvl=\"0\" w:tentative=\"0\"><w:start w:val=\"1\"/>"
      "<w:numFmt w:val=\"chineseCounting\"/><w:suff w:val=\"nothing\"/>"
      "<w:lvlText w:val=\"%1、\"/><w:lvlJc w:val=\"left\"/></w:lvl></w:abstractNum>"
      "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num></w:numbering>";
  const std::string box_table =
      "<w:tbl><w:tr><w:tc><w:p>" + Text("boxed") + "</w:p></w:tc></w:tr></w:tbl>";
  const std::string body =
      Styled("2",
             "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> AUTONUMLGL "
             "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"end\"/></w:r>" +
                 Text("Scope")) +
      "<w:tbl><w:tblGrid><w:gridCol w:w=\"2000\"/><w:gridCol w:w=\"2000\"/></w:tblGrid>"
      "<w:tr><w:tblPrEx><w:tblBorders/></w:tblPrEx>" +
      Cell("", Styled("3", Text("甲"))) + Cell("", Styled("3", Text("乙"))) + "</w:tr><w:tr>" +
      Cell("<w:vMerge w:val=\"restart\"/>", "<w:p>" + Text("合并") + "</w:p>") +
      Cell("", "<w:p>" + Text("x") + "</w:p>") + "</w:tr><w:tr>" + Cell("<w:vMerge/>", "<w:p/>") +
      Cell("", Styled("3", Text("丙"))) + "</w:tr></w:tbl>" + "<w:p><w:r>" +
      OwnBranch("<w:t>shown</w:t>") + "</w:r></w:p>" + OwnBranch(box_table) +
      "<w:p><w:r><mc:AlternateContent><mc:Choice Requires=\"wps\"><w:drawing><wps:txbx>"
      "<w:txbxContent>" +
      box_table +
      "<w:p/></w:txbxContent></wps:txbx></w:drawing></mc:Choice>"
      "<mc:Fallback><w:pict><w:txbxContent>" +
      box_table +
      "<w:p/></w:txbxContent></w:pict>"
      "</mc:Fallback></mc:AlternateContent></w:r></w:p>";
  std::string path = dir_ + "/wps.docx";
  ASSERT_TRUE(
      testing::WriteZip(path, {{"word/document.xml", kRoot + body + "</w:body></w:document>"},
                               {"word/styles.xml", styles},
                               {"word/numbering.xml", numbering},
                               {"docProps/custom.xml",
                                "<Properties><property name=\"KSOProductBuildVer\"/>"
                                "</Properties>"},
                               {"customXml/item1.xml",
                                "<s:customData xmlns:s=\"http://www.wps.cn/officeDocument/"
                                "2013/wpsCustomData\"/>"}}));
  std::string page;
  ASSERT_TRUE(OpenAndSave(path, &page).ok());
  EXPECT_NE(page.find("1.Scope"), std::string::npos) << "the heading's AUTONUMLGL";
  EXPECT_EQ(TableOfPage(page, 1), (Grid{{"一、甲", "二、乙"}, {"合并", "x"}, {"合并", "三、丙"}}));
  EXPECT_NE(page.find("shown"), std::string::npos);
  EXPECT_EQ(TableOfPage(page, 2), (Grid{{"boxed"}}));  // the fallback's table, once
  EXPECT_EQ(TableOfPage(page, 3), (Grid{{"boxed"}}));  // the text box's, once
  EXPECT_EQ(testing::PagePieces(page).size(), 4u);
}

// The two documents WPS Office wrote among the fixtures: a cell covering
// four grid columns beside one of no width, and a mail of nested tables.
TEST_F(WpsDocumentTest, TheFixturesWpsWroteReadAsWordShowsThem) {
  QM_REQUIRE_FIXTURE("docx");
  std::string columns, mail;
  using quillmere::testing::FixturePath;
  ASSERT_TRUE(
      OpenAndSave(FixturePath("docx/poitl__render_multiple_column.docx").string(), &columns).ok());
  ASSERT_TRUE(OpenAndSave(FixturePath("docx/tika__testInstrLink.docx").string(), &mail).ok());
  EXPECT_EQ(TableOfPage(columns, 3).at(0),
            (std::vector<std::string>{"", "", "", "", "数量{{goods}}$(2)", "[count]", ""}));
  // A nested table's piece runs on into the table around it.
  EXPECT_EQ(TableOfPage(mail, 6).at(0).at(0), "accessdocument(s)");
}

}  // namespace
}  // namespace quillmere::document::docx
