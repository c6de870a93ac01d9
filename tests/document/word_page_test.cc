// What of Word's page each reader reproduces, on small documents built for
// the purpose (.doc by the document builder, .docx in memory), from the
// file to the grid the conversion makes of the page.
#include <gtest/gtest.h>

#include <fstream>

#include "server_fixture.h"
#include "support/zip_writer.h"
#include "word97/doc_builder.h"

namespace quillmere::document {
namespace {

using testing::DocBuilder;
using testing::DocumentXml;
using testing::Grid;

// A .docx cell holding `content` (w:p, w:tbl ...), with cell properties.
std::string Tc(const std::string& content, const std::string& properties = "") {
  return "<w:tc><w:tcPr>" + properties + "</w:tcPr>" + content + "</w:tc>";
}
std::string P(const std::string& runs) { return "<w:p>" + runs + "</w:p>"; }
std::string R(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }

class WordPageTest : public testing::ServerTest {
 protected:
  // The page of a document, written to our folder as `name`.
  std::string PageOf(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    std::string page;
    Status status = OpenAndSave(dir_ + "/" + name, &page);
    EXPECT_TRUE(status.ok()) << status.ToString();
    return page;
  }
  std::string DocPage(const DocBuilder& doc) { return PageOf("built.doc", doc.Build()); }
  std::string DocxPage(const std::string& body) {
    EXPECT_TRUE(testing::WriteDocx(dir_ + "/built.docx", DocumentXml(body)));
    std::string page;
    Status status = OpenAndSave(dir_ + "/built.docx", &page);
    EXPECT_TRUE(status.ok()) << status.ToString();
    return page;
  }
};

TEST_F(WordPageTest, ATableInADocTextBoxStandsAtItsAnchor) {
  DocBuilder doc;
  doc.Text(u"form:").Anchor(1025).EndParagraph();
  doc.Text(u"cell").Anchor(1026).EndCell().EndRow({0, 2000});
  doc.Text(u"after").EndParagraph();
  doc.TextBox(1025).Text(u"a").EndCell().Text(u"b").EndCell().EndRow({0, 1000, 2000});
  doc.Text(u"c").EndCell().Text(u"d").EndCell().EndRow({0, 1000, 2000}).EndParagraph();
  doc.TextBox(1026).Text(u"boxed in a cell").EndParagraph();
  doc.TextBox(4000).Text(u"a box without an anchor").EndParagraph();
  std::string page = DocPage(doc.MainText());
  EXPECT_EQ(testing::PagePieces(page).size(), 3u);
  EXPECT_EQ(TableOfPage(page, 1), (Grid{{"a", "b"}, {"c", "d"}}));
  EXPECT_EQ(TableOfPage(page, 2), (Grid{{"cellboxedinacell"}}));
  EXPECT_EQ(page.find("without"), std::string::npos);
}

// A box's content follows the paragraph of its anchor and each note its
// reference, side by side; the .docx body's last section numbers the notes
// though it ends the part, after every reference.
TEST_F(WordPageTest, NotesAndTextBoxesStandSideBySide) {
  DocBuilder doc;
  doc.Text(u"a").Anchor(1025).Footnote(u"first note").EndCell();
  doc.Text(u"b").Footnote(u"second note").EndCell().EndRow({0, 1000, 2000});
  doc.TextBox(1025).Text(u"boxed").EndParagraph();
  auto reference = [](const char* id) {
    return std::string("<w:r><w:footnoteReference w:id=\"") + id + "\"/></w:r>";
  };
  std::string box =
      "<w:r><w:pict><w:txbxContent>" + P(R("boxed")) + "</w:txbxContent></w:pict></w:r>";
  std::string body = "<w:tbl><w:tr>" + Tc(P(R("a") + box + reference("1"))) +
                     Tc(P(R("b") + reference("2"))) +
                     "</w:tr></w:tbl><w:sectPr><w:footnotePr><w:numFmt w:val=\"lowerLetter\"/>"
                     "<w:numStart w:val=\"3\"/></w:footnotePr></w:sectPr>";
  std::string notes =
      "<w:footnotes xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
      "<w:footnote w:id=\"1\">" +
      P(R("first note")) + "</w:footnote><w:footnote w:id=\"2\">" + P(R("second note")) +
      "</w:footnote></w:footnotes>";
  ASSERT_TRUE(testing::WriteZip(dir_ + "/notes.docx", {{"word/document.xml", DocumentXml(body)},
                                                       {"word/footnotes.xml", notes}}));
  std::string docx;
  ASSERT_TRUE(OpenAndSave(dir_ + "/notes.docx", &docx).ok());
  std::string page = DocPage(doc.MainText());
  EXPECT_EQ(TableOfPage(page, 1), (Grid{{"a[1]boxed", "b[2]"}}));
  EXPECT_EQ(TableOfPage(docx, 1), (Grid{{"a[c]boxed", "b[d]"}}));
  for (const std::string& written : {page, docx}) {
    size_t list = written.find("mso-element:footnote-list");
    ASSERT_NE(list, std::string::npos) << written;
    EXPECT_GT(list, written.rfind("</table>"));
    size_t first = written.find("first note", list), second = written.find("second note", list);
    EXPECT_TRUE(first < second && second != std::string::npos) << written;
    EXPECT_EQ(written.find("boxed", list), std::string::npos);
  }
}

TEST_F(WordPageTest, ACellsParagraphsAndNestedTablesKeepTheirOrder) {
  DocBuilder doc;
  doc.Text(u"A").EndParagraph(1);
  doc.Text(u"N").EndCell(2).EndRow({0, 1000}, {}, 2);
  doc.Text(u"B").EndCell().EndRow({0, 2000});
  std::string docx =
      DocxPage("<w:tbl><w:tr>" +
               Tc(P(R("A")) + "<w:tbl><w:tr>" + Tc(P(R("N"))) + "</w:tr></w:tbl>" + P(R("B"))) +
               "</w:tr></w:tbl>");
  for (const std::string& page : {DocPage(doc), docx}) {
    std::vector<std::u16string> pieces = testing::PagePieces(page);
    ASSERT_EQ(pieces.size(), 3u) << page;
    // The outer table's piece ends at the nested table; B follows it.
    std::string outer = unicode::ToUtf8(pieces[1]);
    EXPECT_TRUE(outer.find(">A<") != std::string::npos && outer.find(">B<") == std::string::npos);
    std::string nested = unicode::ToUtf8(pieces[2]);
    size_t n = nested.find(">N<"), end = nested.find("</table>"), b = nested.find(">B<");
    EXPECT_TRUE(n < end && end < b && b != std::string::npos) << nested;
  }
}

TEST_F(WordPageTest, RowsThatOnlyContinueAMergeAreRowsOfTheirOwn) {
  constexpr uint16_t kRestart = 0x0060, kContinue = 0x0020;
  DocBuilder doc;
  doc.Text(u"m").EndCell().EndRow({0, 1000}, {kRestart});
  doc.EndCell().EndRow({0, 1000}, {kContinue});
  doc.EndCell().EndRow({0, 1000}, {kContinue});
  std::string docx = DocxPage("<w:tbl><w:tr>" + Tc(P(R("m")), "<w:vMerge w:val=\"restart\"/>") +
                              "</w:tr><w:tr>" + Tc("<w:p/>", "<w:vMerge/>") + "</w:tr><w:tr>" +
                              Tc("<w:p/>", "<w:vMerge/>") + "</w:tr></w:tbl>");
  for (const std::string& page : {DocPage(doc), docx}) {
    EXPECT_NE(page.find("rowspan=3 "), std::string::npos) << page;
    std::u16string table = testing::PagePieces(page).at(1);
    EXPECT_EQ(text::Split(table, u"<tr ").size(), 4u);
    EXPECT_EQ(TableOfPage(page, 1), (Grid{{"m"}, {"m"}, {"m"}}));
  }
}

// A .docx table on a grid of `widths`, holding `rows`, with table properties.
std::string Tbl(const std::vector<int>& widths, const std::string& rows,
                const std::string& properties = "") {
  std::string grid;
  for (int w : widths) grid += "<w:gridCol w:w=\"" + std::to_string(w) + "\"/>";
  return "<w:tbl><w:tblPr>" + properties + "</w:tblPr><w:tblGrid>" + grid + "</w:tblGrid>" + rows +
         "</w:tbl>";
}
std::string Tr(const std::string& cells) { return "<w:tr>" + cells + "</w:tr>"; }

// Tables with nothing between them are one table, as Word shows them, on
// the union of their cells' edges, unless the file keeps them apart (a
// floating table): table numbers count the tables Word shows.
TEST_F(WordPageTest, TablesWithNothingBetweenThemAreOneTable) {
  DocBuilder doc;
  doc.Text(u"a").EndCell().Text(u"b").EndCell().EndRow({0, 1000, 2000});
  doc.Text(u"c").EndCell().Text(u"d").EndCell().EndRow({0, 500, 2000});
  doc.Text(u"between").EndParagraph();
  doc.Text(u"e").EndCell().EndRow({0, 2000});
  doc.Text(u"f").EndCell().Next(0, testing::U16Bytes(0x940E) + testing::U16Bytes(720));
  doc.EndRow({0, 2000});  // sprmTDxaAbs: a floating table
  const std::string floating = "<w:tblpPr w:tblpX=\"720\"/>";
  std::string docx =
      DocxPage(Tbl({1000, 1000}, Tr(Tc(P(R("a"))) + Tc(P(R("b"))))) +
               Tbl({500, 1500}, Tr(Tc(P(R("c"))) + Tc(P(R("d"))))) + P(R("between")) +
               Tbl({2000}, Tr(Tc(P(R("e"))))) + Tbl({2000}, Tr(Tc(P(R("f")))), floating));
  for (const std::string& page : {DocPage(doc), docx}) {
    ASSERT_EQ(testing::PagePieces(page).size(), 4u) << page;
    EXPECT_EQ(TableOfPage(page, 1), (Grid{{"a", "a", "b"}, {"c", "d", "d"}}));
    EXPECT_EQ(TableOfPage(page, 2), (Grid{{"e"}}));
    EXPECT_EQ(TableOfPage(page, 3), (Grid{{"f"}}));
  }
}

// As rows of a .doc file of another table style are another table, so are
// .docx tables; tables in a cell join as the body's do.
TEST_F(WordPageTest, DocxTablesOfAnotherStyleStayApartAndACellsTablesJoin) {
  const std::string styled = "<w:tblStyle w:val=\"TableGrid\"/>";
  const std::string nested = Tbl({900}, Tr(Tc(P(R("n1"))))) + Tbl({900}, Tr(Tc(P(R("n2")))));
  std::string page = DocxPage(Tbl({2000}, Tr(Tc(P(R("plain"))))) +
                              Tbl({2000}, Tr(Tc(nested + P(R("x")))), styled) +
                              Tbl({2000}, Tr(Tc(P(R("styled")))), styled));
  ASSERT_EQ(testing::PagePieces(page).size(), 4u) << page;
  EXPECT_EQ(TableOfPage(page, 1), (Grid{{"plain"}}));
  EXPECT_EQ(testing::TableShapes(page)[1].rows, 2);
  EXPECT_EQ(testing::TableShapes(page)[2].rows, 2);  // n1, n2
}

TEST_F(WordPageTest, DocCellEdgesThatRunBackwardsOrWrapAroundKeepOneCellPerCellMark) {
  DocBuilder doc;
  doc.Text(u"a").EndCell().Text(u"b").EndCell().Text(u"c").EndCell();
  doc.EndRow({0, 2000, 1000, 3000});
  // 35,000 twips stored in 16 bits: -30,536.
  doc.Text(u"x").EndCell().Text(u"y").EndCell().EndRow({0, 30000, 35000 - 65536});
  EXPECT_EQ(TableOfPage(DocPage(doc), 1),
            (Grid{{"a", "b", "c", "", ""}, {"x", "x", "x", "x", "y"}}));
}

TEST_F(WordPageTest, TrackedChangesReadAsAccepted) {
  DocBuilder doc;
  doc.Text(u"kept").Deleted(true).Text(u" removed").Deleted(false).Text(u" added").EndCell();
  doc.Text(u"b1").EndCell().EndRow({0, 1000, 2000});
  doc.Deleted(true).Text(u"gone").EndCell().Text(u"too").EndCell().EndRow({0, 1000, 2000});
  doc.Deleted(false).Text(u"last").EndCell().Text(u"row").EndCell().EndRow({0, 1000, 2000});
  std::string row = "<w:tr>" +
                    Tc(P(R("a") + "<w:del><w:r><w:delText>gone</w:delText></w:r></w:del>" +
                         "<w:ins><w:r><w:t>new</w:t></w:r></w:ins>")) +
                    Tc(P(R("b"))) + "</w:tr>";
  std::string deleted_row = "<w:tr><w:trPr><w:del w:id=\"1\" w:author=\"x\"/></w:trPr>" +
                            Tc(P(R("old"))) + Tc(P(R("row"))) + "</w:tr>";
  std::string docx = DocxPage("<w:tbl>" + row + deleted_row + "</w:tbl>");
  EXPECT_EQ(TableOfPage(DocPage(doc), 1), (Grid{{"keptadded", "b1"}, {"last", "row"}}));
  EXPECT_EQ(TableOfPage(docx, 1), (Grid{{"anew", "b"}}));
  EXPECT_EQ(docx.find("gone"), std::string::npos);
}

TEST_F(WordPageTest, FieldsShowOnlyTheirResult) {
  DocBuilder doc;
  doc.Text(u"\x13 FORMTEXT \x01\x14typed\x15").EndCell();
  doc.Text(u"\x13 MERGEFIELD name \x14zhang\x15").EndCell();
  doc.Text(
         u"\x13 DATE \\@ \"yyyy\" \x14"
         u"2024\x15")
      .EndCell();
  doc.EndRow({0, 1000, 2000, 3000});
  auto field = [](const std::string& instruction, const std::string& result) {
    return "<w:r><w:fldChar w:fldCharType=\"begin\"><w:ffData><w:name w:val=\"Text1\"/>"
           "<w:textInput><w:default w:val=\"hidden\"/></w:textInput></w:ffData></w:fldChar></w:r>"
           "<w:r><w:instrText>" +
           instruction + "</w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" +
           R(result) + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
  };
  std::string docx = DocxPage(
      "<w:tbl><w:tr>" + Tc(P(field(" FORMTEXT ", "typed"))) +
      Tc(P("<w:fldSimple w:instr=\" MERGEFIELD name \">" + R("zhang") + "</w:fldSimple>")) +
      Tc(P(field(" DATE \\@ \"yyyy\" ", "2024"))) + "</w:tr></w:tbl>");
  for (const std::string& page : {DocPage(doc), docx}) {
    EXPECT_EQ(TableOfPage(page, 1), (Grid{{"typed", "zhang", "2024"}})) << page;
    for (const char* instruction : {"FORMTEXT", "MERGEFIELD", "DATE", "hidden"}) {
      EXPECT_EQ(page.find(instruction), std::string::npos) << instruction;
    }
  }
}

}  // namespace
}  // namespace quillmere::document
