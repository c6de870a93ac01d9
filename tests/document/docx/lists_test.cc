// Lists and notes of .docx documents: the labels of the real documents in
// the fixtures' lists/ folder against the ones Word wrote for them, and
// footnote and endnote marks in a built document.
#include <gtest/gtest.h>

#include "document/docx/reader.h"
#include "document/list_fixtures.h"
#include "document/server_fixture.h"
#include "support/zip_writer.h"

namespace quillmere::document::docx {
namespace {

using testing::Grid;

class DocxNotesAndListsTest : public testing::ServerTest {};

constexpr char kNamespace[] =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string Part(const std::string& root, const std::string& content) {
  return "<w:" + root + " " + kNamespace + ">" + content + "</w:" + root + ">";
}

// A paragraph of list `num` at `level` holding `runs`.
std::string ListParagraph(int num, int level, const std::string& runs) {
  return "<w:p><w:pPr><w:numPr><w:ilvl w:val=\"" + std::to_string(level) + "\"/><w:numId w:val=\"" +
         std::to_string(num) + "\"/></w:numPr></w:pPr>" + runs + "</w:p>";
}

std::string Text(const std::string& text) { return "<w:r><w:t>" + text + "</w:t></w:r>"; }

std::string Cell(const std::string& paragraphs) { return "<w:tc>" + paragraphs + "</w:tc>"; }

const std::string kNumbering =
    Part("numbering",
         "<w:abstractNum w:abstractNumId=\"0\">"
         "<w:lvl w:ilvl=\"0\"><w:start w:val=\"1\"/><w:numFmt w:val=\"decimal\"/>"
         "<w:lvlText w:val=\"%1.\"/></w:lvl>"
         "<w:lvl w:ilvl=\"1\"><w:start w:val=\"1\"/><w:numFmt w:val=\"lowerLetter\"/>"
         "<w:lvlText w:val=\"%1.%2)\"/></w:lvl></w:abstractNum>"
         "<w:abstractNum w:abstractNumId=\"1\"><w:lvl w:ilvl=\"0\"><w:numFmt w:val=\"bullet\"/>"
         "<w:lvlText w:val=\"\xEF\x82\xB7\"/><w:rPr><w:rFonts w:ascii=\"Symbol\"/></w:rPr></w:lvl>"
         "</w:abstractNum>"
         "<w:num w:numId=\"1\"><w:abstractNumId w:val=\"0\"/></w:num>"
         "<w:num w:numId=\"2\"><w:abstractNumId w:val=\"1\"/></w:num>"
         "<w:num w:numId=\"3\"><w:abstractNumId w:val=\"0\"/>"
         "<w:lvlOverride w:ilvl=\"0\"><w:startOverride w:val=\"7\"/></w:lvlOverride></w:num>");

const std::string kNotes =
    "<w:footnote w:type=\"separator\" w:id=\"0\"><w:p>" + Text("----") + "</w:p></w:footnote>" +
    "<w:footnote w:id=\"1\"><w:p><w:r><w:footnoteRef/></w:r>" + Text(" apple note") +
    "</w:p></w:footnote>" + "<w:footnote w:id=\"2\"><w:p>" + Text("* pear note") +
    "</w:p></w:footnote>";

// Labels and marks in cells: counters run on across cells and rows, an
// empty list paragraph keeps its label, a deeper level restarts under a
// higher one, an instance with a start override starts its definition's
// counters again, and the other instance counts on from there.
TEST_F(DocxNotesAndListsTest, LabelsAndNoteMarksBecomePartOfTheValues) {
  std::string body =
      "<w:tbl><w:tr>" +
      Cell(ListParagraph(1, 0, Text("first")) + ListParagraph(1, 0, Text("second"))) +
      Cell(ListParagraph(2, 0, Text("apple"))) + Cell(ListParagraph(3, 0, Text("seventh"))) +
      "</w:tr><w:tr>" + Cell(ListParagraph(1, 0, Text("third")) + ListParagraph(1, 0, "")) +
      Cell("<w:p>" + Text("see") + "<w:r><w:footnoteReference w:id=\"1\"/></w:r></w:p>") +
      Cell("<w:p><w:r><w:endnoteReference w:id=\"1\"/></w:r></w:p>") + "</w:tr><w:tr>" +
      Cell(ListParagraph(1, 1, Text("deep")) + ListParagraph(1, 0, Text("fifth")) +
           ListParagraph(1, 1, Text("deeper"))) +
      Cell(
          "<w:p><w:r><w:footnoteReference w:customMarkFollows=\"1\" w:id=\"2\"/>"
          "<w:t>*</w:t></w:r></w:p>") +
      Cell("<w:p/>") + "</w:tr></w:tbl><w:p/>";
  std::string path = dir_ + "/lists.docx";
  ASSERT_TRUE(testing::WriteZip(
      path,
      {{"word/document.xml", testing::DocumentXml(body)},
       {"word/numbering.xml", kNumbering},
       {"word/footnotes.xml", Part("footnotes", kNotes)},
       {"word/endnotes.xml", Part("endnotes", "<w:endnote w:id=\"1\"><w:p>" + Text("plum note") +
                                                  "</w:p></w:endnote>")}}));
  std::string page;
  ASSERT_TRUE(OpenAndSave(path, &page).ok());
  EXPECT_EQ(TableOfPage(page, 1), (Grid{
                                      {"1.first2.second", "·apple", "7.seventh"},
                                      {"8.third9.", "see[1]", "[i]"},
                                      {"9.a)deep10.fifth10.a)deeper", "*", ""},
                                  }));
  // The notes' texts follow the body, outside every table.
  size_t notes = page.find("mso-element:footnote-list");
  ASSERT_NE(notes, std::string::npos);
  EXPECT_GT(notes, page.rfind("</table>"));
  EXPECT_NE(page.find("apple note", notes), std::string::npos);
  EXPECT_NE(page.find("pear note", notes), std::string::npos);
  EXPECT_NE(page.find("plum note", page.find("mso-element:endnote-list")), std::string::npos);
  EXPECT_EQ(page.find("----"), std::string::npos) << "the separator is no note";
}

TEST(DocxListsTest, LabelsAreWordsOwnInTheListFixtures) {
  QM_REQUIRE_FIXTURE("lists");
  testing::ExpectWordsLabels(".docx",
                             [](std::string_view bytes, Document* document) {
                               return ReadDocument(bytes, ReadLimits(), document);
                             },
                             {"ck4__List_indentation"});
}

}  // namespace
}  // namespace quillmere::document::docx
