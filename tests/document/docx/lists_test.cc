// Lists and notes of .docx documents: the labels of the real documents in
// the fixtures' lists/ folder against the ones Word wrote for them, and
// footnote and endnote marks in a built document.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/docx/reader.h"
#include "document/list_fixtures.h"
#include "document/server_fixture.h"
#include "platform/encoding/unicode.h"
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

using Texts = std::vector<std::string>;

// The texts of the body's paragraphs, labels included; a table's
// paragraphs in order, each cell's joined.
Texts BodyTexts(const testing::ZipEntries& parts) {
  Document document;
  Status status = ReadDocument(testing::ZipBytes(parts), ReadLimits(), &document);
  EXPECT_TRUE(status.ok()) << status.ToString();
  auto text_of = [](const Paragraph& paragraph) {
    std::u16string text = paragraph.list_label ? paragraph.list_label->text : u"";
    for (const Inline& item : paragraph.inlines) text += item.text;
    return unicode::ToUtf8(text);
  };
  Texts texts;
  for (const Block& block : document.body) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      texts.push_back(text_of(*paragraph));
      continue;
    }
    for (const Row& row : std::get<std::unique_ptr<Table>>(block)->rows) {
      for (const document::Cell& cell : row.cells) {
        std::string joined;
        for (const Block& inner : cell.blocks) joined += text_of(std::get<Paragraph>(inner));
        texts.push_back(joined);
      }
    }
  }
  return texts;
}

std::string Level(int ilvl, const std::string& format, const std::string& text,
                  const std::string& more = "") {
  return "<w:lvl w:ilvl=\"" + std::to_string(ilvl) + "\"><w:start w:val=\"1\"/><w:numFmt w:val=\"" +
         format + "\"/><w:lvlText w:val=\"" + text + "\"/>" + more + "</w:lvl>";
}

std::string Abstract(int id, const std::string& content) {
  return "<w:abstractNum w:abstractNumId=\"" + std::to_string(id) + "\">" + content +
         "</w:abstractNum>";
}

std::string Num(int id, int abstract, const std::string& overrides = "") {
  return "<w:num w:numId=\"" + std::to_string(id) + "\"><w:abstractNumId w:val=\"" +
         std::to_string(abstract) + "\"/>" + overrides + "</w:num>";
}

std::string StartOverride(int ilvl, int start) {
  return "<w:lvlOverride w:ilvl=\"" + std::to_string(ilvl) + "\"><w:startOverride w:val=\"" +
         std::to_string(start) + "\"/></w:lvlOverride>";
}

std::string Styled(const std::string& style, const std::string& runs,
                   const std::string& list = "") {
  return "<w:p><w:pPr><w:pStyle w:val=\"" + style + "\"/>" + list + "</w:pPr>" + runs + "</w:p>";
}

// Instances of one definition share its counters, a start override
// beginning a level again at the instance's first paragraph (a deeper
// level then counts on: "b)" after "a)"); a level above the one used stands
// at its start and counts on; w:lvlRestart keeps a level from restarting
// under the level above; a roman level counts on from its start; numId 0,
// directly or through a style, and a level without text show no number; a
// definition linked to a numbering style takes that style's list.
TEST(DocxListsTest, LabelsCountAsWordCountsThem) {
  const std::string numbering = Part(
      "numbering",
      Abstract(0, Level(0, "decimal", "%1.") + Level(1, "decimal", "%1.%2.") +
                      Level(2, "lowerLetter", "%3)", "<w:lvlRestart w:val=\"1\"/>")) +
          Abstract(1,
                   "<w:lvl w:ilvl=\"0\"><w:start w:val=\"5\"/><w:numFmt w:val=\"upperRoman\"/>"
                   "<w:lvlText w:val=\"%1.\"/></w:lvl>") +
          Abstract(2, Level(0, "decimal", "")) + Abstract(3, "<w:numStyleLink w:val=\"Linked\"/>") +
          Abstract(4, "<w:styleLink w:val=\"Linked\"/>" + Level(0, "lowerRoman", "(%1)")) +
          Num(1, 0) + Num(2, 0, StartOverride(0, 7)) + Num(3, 0, StartOverride(0, 5)) + Num(4, 1) +
          Num(5, 4) + Num(6, 3) + Num(7, 2));
  const std::string styles = Part(
      "styles",
      "<w:style w:type=\"paragraph\" w:styleId=\"Listed\"><w:pPr><w:numPr><w:numId w:val=\"1\"/>"
      "</w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"paragraph\" w:styleId=\"Unlisted\"><w:basedOn w:val=\"Listed\"/>"
      "<w:pPr><w:numPr><w:numId w:val=\"0\"/></w:numPr></w:pPr></w:style>"
      "<w:style w:type=\"numbering\" w:styleId=\"Linked\"><w:pPr><w:numPr><w:numId w:val=\"5\"/>"
      "</w:numPr></w:pPr></w:style>");
  const std::string no_list = "<w:numPr><w:numId w:val=\"0\"/></w:numPr>";
  std::string body = ListParagraph(1, 1, Text("deep")) + ListParagraph(1, 1, Text("deep")) +
                     ListParagraph(1, 0, Text("top")) + ListParagraph(1, 2, Text("sub")) +
                     ListParagraph(1, 1, Text("under")) + ListParagraph(1, 2, Text("sub")) +
                     ListParagraph(3, 2, Text("sibling")) + ListParagraph(2, 0, Text("seven")) +
                     ListParagraph(1, 0, Text("on"));
  for (int i = 0; i < 4; ++i) body += ListParagraph(4, 0, Text("roman"));
  body += Styled("Listed", Text("styled")) + Styled("Listed", Text("off"), no_list) +
          Styled("Unlisted", Text("unlisted")) + ListParagraph(6, 0, Text("linked")) +
          "<w:tbl><w:tr>" +
          Cell(ListParagraph(7, 0, Text("lorum")) + ListParagraph(7, 0, Text("ipsum"))) +
          "</w:tr></w:tbl>";
  EXPECT_EQ(BodyTexts({{"word/document.xml", testing::DocumentXml(body)},
                       {"word/numbering.xml", numbering},
                       {"word/styles.xml", styles}}),
            (Texts{"1.1.deep", "1.2.deep", "2.top", "a)sub", "2.2.under", "b)sub", "c)sibling",
                   "7.seven", "8.on", "V.roman", "VI.roman", "VII.roman", "VIII.roman", "9.styled",
                   "off", "unlisted", "(i)linked", "lorumipsum"}));
}

std::string SimpleField(const std::string& instruction, const std::string& result = "") {
  return "<w:fldSimple w:instr=\"" + instruction + "\">" + (result.empty() ? "" : Text(result)) +
         "</w:fldSimple>";
}

std::string ComplexField(const std::string& instruction, const std::string& result = "") {
  std::string field = "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText>" +
                      instruction + "</w:instrText></w:r>";
  if (!result.empty()) field += "<w:r><w:fldChar w:fldCharType=\"separate\"/></w:r>" + Text(result);
  return field + "<w:r><w:fldChar w:fldCharType=\"end\"/></w:r>";
}

// AUTONUM counts in place of any stored result, AUTONUMLGL below the
// heading that holds one, LISTNUM in a list paragraph one level down in
// its list, which the next paragraph counts on; SEQ shows a stored result,
// else its count.
TEST(DocxFieldsTest, NumberingFieldsShowWhatWordCounts) {
  const std::string numbering =
      Part("numbering",
           Abstract(0, Level(0, "decimal", "%1.") + Level(1, "lowerLetter", "%2)")) + Num(1, 0));
  const std::string styles = Part("styles",
                                  "<w:style w:type=\"paragraph\" w:styleId=\"Heading1\"><w:name "
                                  "w:val=\"heading 1\"/></w:style>");
  std::string body =
      "<w:p>" + SimpleField(" AUTONUM ", "42") + Text("first") + "</w:p><w:p>" +
      ComplexField(" AUTONUM ") + Text("second") + "</w:p>" +
      Styled("Heading1", ComplexField("AUTONUMLGL") + Text("Heading")) + "<w:p>" +
      ComplexField(" AUTONUMLGL ") + Text("body") + "</w:p>" +
      ListParagraph(1, 0, Text("Plan: ") + ComplexField(" LISTNUM ") + Text("fund")) +
      ListParagraph(1, 1, Text("hire")) + "<w:p>" + SimpleField(" SEQ Figure ", "9") +
      ComplexField(" SEQ Figure \\* ROMAN ") + SimpleField(" SEQ Figure ") +
      ComplexField(" DATE ", "today") + "</w:p>";
  EXPECT_EQ(BodyTexts({{"word/document.xml", testing::DocumentXml(body)},
                       {"word/numbering.xml", numbering},
                       {"word/styles.xml", styles}}),
            (Texts{"1.first", "2.second", "1.Heading", "1.1.body", "1.Plan: a)fund", "b)hire",
                   "9II3today"}));
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
