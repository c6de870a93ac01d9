// Lists, numbering fields and notes of Word 97-2003 documents: the labels
// of the real documents in the fixtures' lists/ folder against the ones
// Word wrote for them, labels and fields in built documents, and footnote
// and endnote marks.
#include <gtest/gtest.h>

#include "compound_file_writer.h"
#include "doc_builder.h"
#include "doc_parts.h"
#include "document/list_fixtures.h"
#include "document/web_page/writer.h"
#include "document/word97/fib.h"
#include "document/word97/lists.h"
#include "document/word97/pieces.h"
#include "document/word97/reader.h"
#include "table_grid.h"

namespace quillmere::document::word97 {
namespace {

using testing::PutU16;
using testing::PutU32;

std::string U16(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}
std::string U32(uint32_t value) { return U16(value & 0xFFFF) + U16(value >> 16); }

// The FIB's fc/lcb pair `index` pointing at `bytes`, appended to the table
// stream.
void AppendStructure(testing::DocParts& parts, int index, const std::string& bytes) {
  uint64_t pair = testing::FibPairOffset(parts.word_document, index);
  PutU32(&parts.word_document, pair, static_cast<uint32_t>(parts.table.size()));
  PutU32(&parts.word_document, pair + 4, static_cast<uint32_t>(bytes.size()));
  parts.table += bytes;
}

// plain.doc with notes: a footnote Word numbers in place of the "1" of
// "12", one with the author's mark "*" in place of the "7", an endnote in
// place of the "P" of "Price"; their texts in a piece of its own after the
// main text.
testing::DocParts NotedDocument() {
  testing::DocParts parts = testing::LoadDocParts("plain.doc");
  Fib fib;
  PieceTable pieces;
  EXPECT_TRUE(ReadFib(parts.word_document, &fib).ok());
  EXPECT_TRUE(ReadPieceTable(parts.table, fib.piece_table, fib.main_text_length,
                             fib.main_text_length, parts.word_document.size(), &pieces)
                  .ok());
  std::u16string text = ReadMainText(parts.word_document, pieces);
  auto put = [&](size_t cp, char16_t c) {
    for (const Piece& piece : pieces.pieces) {
      if (cp < piece.cp_start || cp >= piece.cp_end) continue;
      uint64_t at = piece.fc + (cp - piece.cp_start) * piece.char_size;
      if (piece.char_size == 1) parts.word_document[at] = static_cast<char>(c);
      if (piece.char_size == 2) PutU16(&parts.word_document, at, c);
    }
  };
  uint32_t main = static_cast<uint32_t>(fib.main_text_length);
  uint32_t apples = static_cast<uint32_t>(text.find(u"12"));
  uint32_t pears = static_cast<uint32_t>(text.find(u"7"));
  uint32_t price = static_cast<uint32_t>(text.find(u"Price"));
  put(apples, 0x02);
  put(pears, u'*');
  put(price, 0x02);
  const std::u16string footnotes = u"\x02 apple note\r* pear note\r";
  const std::u16string endnotes = u"\x02 price note\r";
  if (parts.word_document.size() % 2 != 0) parts.word_document.push_back('\0');
  uint32_t fc = static_cast<uint32_t>(parts.word_document.size());
  for (char16_t c : footnotes + endnotes) parts.word_document += U16(c);
  // The piece table anew: the main text's pieces, then the stories'.
  std::string clx, cps, descriptors;
  for (std::string_view grpprl : pieces.prc_grpprls) {
    clx += '\x01' + U16(static_cast<uint16_t>(grpprl.size())) + std::string(grpprl);
  }
  for (const Piece& piece : pieces.pieces) {
    cps += U32(piece.cp_start);
    uint32_t stored = piece.char_size == 1 ? (piece.fc * 2) | 0x40000000 : piece.fc;
    descriptors += U16(0) + U32(stored) + U16(piece.prm);
  }
  cps += U32(main) + U32(main + static_cast<uint32_t>(footnotes.size() + endnotes.size()));
  descriptors += U16(0) + U32(fc) + U16(0);
  clx += '\x02' + U32(static_cast<uint32_t>(cps.size() + descriptors.size())) + cps + descriptors;
  AppendStructure(parts, testing::kPieceTablePair, clx);
  uint64_t lengths = testing::MainTextLengthOffset(parts.word_document);
  PutU32(&parts.word_document, lengths + 4, static_cast<uint32_t>(footnotes.size()));
  for (int unused : {8, 12, 16}) PutU32(&parts.word_document, lengths + unused, 0);
  PutU32(&parts.word_document, lengths + 20, static_cast<uint32_t>(endnotes.size()));
  AppendStructure(parts, 2, U32(apples) + U32(pears) + U32(main) + U16(1) + U16(0));
  AppendStructure(parts, 3, U32(0) + U32(13) + U32(25) + U32(25));
  AppendStructure(parts, 46, U32(price) + U32(main) + U16(1));
  AppendStructure(parts, 47, U32(0) + U32(13) + U32(13));
  return parts;
}

std::string Utf8(const std::u16string& text) { return unicode::ToUtf8(text); }

std::string NoteText(const Note& note) {
  const auto* paragraph = std::get_if<Paragraph>(&note.blocks.at(0));
  return paragraph == nullptr || paragraph->inlines.empty() ? "" : Utf8(paragraph->inlines[0].text);
}

TEST(Word97NotesTest, ReferencesShowTheirMarksAndNotesFollowTheBody) {
  Document document;
  ASSERT_TRUE(ReadDocument(NotedDocument().Pack(), &document).ok());
  std::vector<testing::ExpandedTable> tables = testing::ExpandTables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, (std::vector<std::vector<std::string>>{
                                {"Name", "Count", "[i]rice"},
                                {"Apples", "[1]2", "0.50"},
                                {"Pears", "*", "0.75"},
                            }));
  ASSERT_EQ(document.footnotes.size(), 2u);
  EXPECT_EQ(Utf8(document.footnotes[0].mark), "1");
  EXPECT_EQ(NoteText(document.footnotes[0]), " apple note");
  EXPECT_TRUE(document.footnotes[1].custom_mark);
  EXPECT_EQ(NoteText(document.footnotes[1]), "* pear note");
  ASSERT_EQ(document.endnotes.size(), 1u);
  EXPECT_EQ(Utf8(document.endnotes[0].mark), "i");
  EXPECT_EQ(NoteText(document.endnotes[0]), " price note");

  std::string page;
  ASSERT_TRUE(web_page::Write(document, &page).ok());
  EXPECT_NE(page.find("[1]<![endif]>"), std::string::npos);
  size_t endnote = page.find("<div style='mso-element:endnote' id=edn1>");
  ASSERT_NE(endnote, std::string::npos);
  EXPECT_GT(endnote, page.rfind("</table>"));
  EXPECT_NE(page.find("href=\"#_ednref1\" name=\"_edn1\"", endnote), std::string::npos);
}

using namespace std::string_literals;
using testing::DocBuilder;
using testing::U16Bytes;
using Texts = std::vector<std::string>;

std::string Sprm8(uint16_t opcode, uint8_t value) { return U16Bytes(opcode) + char(value); }

// sprmPIlfo and sprmPIlvl: the paragraph is of list instance `ilfo` at
// `level`.
std::string InList(uint16_t ilfo, uint8_t level = 0) {
  return U16Bytes(sprm::kPIlfo) + U16Bytes(ilfo) + Sprm8(sprm::kPIlvl, level);
}

// The texts of the body's paragraphs, labels included; "<table>" for a table.
Texts BodyTexts(const std::string& bytes) {
  Document document;
  Status status = ReadDocument(bytes, &document);
  EXPECT_TRUE(status.ok()) << status.ToString();
  Texts texts;
  for (const Block& block : document.body) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    Cell cell;
    if (paragraph != nullptr) cell.blocks.push_back(*paragraph);
    texts.push_back(paragraph != nullptr ? testing::CellText(cell) : "<table>");
  }
  return texts;
}

// Three paragraphs of "text" in instance `ilfo` at `level`.
void Items(DocBuilder& doc, uint16_t ilfo, uint8_t level, const std::u16string& text, int count) {
  for (int i = 0; i < count; ++i) doc.Next(0, InList(ilfo, level)).Text(text).EndParagraph();
}

// Instances of one list share its counters, a start override beginning a
// level again at the instance's first paragraph; a level above the one
// used stands at its start and counts on (the second first-level item
// after a run of sub-items is "2."); a roman level with a start counts on
// from it; a level without text and a list switched off show no number.
TEST(Word97ListsTest, LabelsCountAsWordCountsThem) {
  DocBuilder doc;
  doc.List(1, {{0, 1, u"\x00."s}, {0, 1, u"\x00.\x01."s}, {4, 1, u"\x02)"s}})
      .List(2, {{1, 5, u"\x00."s}})  // upper roman from V
      .List(3, {{0, 1, u""}})
      .ListInstance(1)
      .ListInstance(1, {{0, 5}})
      .ListInstance(2)
      .ListInstance(3)
      .StyleSprms(2, InList(1));
  Items(doc, 1, 1, u"deep", 2);
  Items(doc, 1, 0, u"top", 1);
  Items(doc, 1, 1, u"under", 1);
  Items(doc, 2, 0, u"restarted", 2);
  Items(doc, 1, 0, u"on", 1);
  Items(doc, 3, 0, u"roman", 4);
  doc.Next(2).Text(u"styled").EndParagraph();
  doc.Next(2, InList(0)).Text(u"switched off").EndParagraph();
  Items(doc, 4, 0, u"lorum", 2);
  EXPECT_EQ(BodyTexts(doc.Build()),
            (Texts{"1.1.deep", "1.2.deep", "2.top", "2.1.under", "5.restarted", "6.restarted",
                   "7.on", "V.roman", "VI.roman", "VII.roman", "VIII.roman", "8.styled",
                   "switched off", "lorum", "lorum"}));
}

// sprmPAnld with sprmPNLvlAnm: a numbered paragraph (10) counts on from the
// numbered one before it, else starts at the ANLD's start; a bullet (11)
// shows its text; the text before and after the number frames it.
TEST(Word97ListsTest, Word6NumberedParagraphsShowTheirAnld) {
  auto anld = [](uint8_t nfc, uint16_t start, std::u16string before, std::u16string after) {
    std::string operand(84, '\0');
    operand[0] = static_cast<char>(nfc);
    operand[1] = static_cast<char>(before.size());
    operand[2] = static_cast<char>(after.size());
    operand.replace(10, 2, U16Bytes(start));
    std::u16string text = before + after;
    for (size_t i = 0; i < text.size(); ++i) operand.replace(20 + 2 * i, 2, U16Bytes(text[i]));
    return U16Bytes(sprm::kPAnld) + char(operand.size()) + operand;
  };
  auto numbered = [&](uint8_t kind, const std::string& operand) {
    return Sprm8(sprm::kPNLvlAnm, kind) + operand;
  };
  DocBuilder doc;
  const std::string arabic = numbered(10, anld(0, 1, u"", u"."));
  doc.Next(0, arabic).Text(u"one").EndParagraph();
  doc.Next(0, arabic).Text(u"two").EndParagraph();
  doc.Text(u"between").EndParagraph();
  doc.Next(0, numbered(10, anld(3, 3, u"(", u")"))).Text(u"again").EndParagraph();
  doc.Next(0, numbered(11, anld(23, 1, u"\uF0B7", u""))).Text(u"bullet").EndParagraph();
  doc.Next(0, numbered(10, anld(0, 1, u"", u"."))).Text(u"after").EndParagraph();
  doc.Next(0, anld(0, 1, u"", u".")).Text(u"no level").EndParagraph();
  EXPECT_EQ(BodyTexts(doc.Build()), (Texts{"1.one", "2.two", "between", "(C)again",
                                           "\xC2\xB7"
                                           "bullet",
                                           "1.after", "no level"}));
}

// Field characters around an instruction, with an optional stored result.
std::u16string Field(const std::u16string& instruction, const std::u16string& result = u"\x15") {
  return u"\x13" + instruction + (result == u"\x15" ? result : u"\x14" + result + u"\x15");
}

// AUTONUM counts in place of its stored result, at the heading level of
// its paragraph; AUTONUMLGL includes the numbers of the levels above;
// LISTNUM counts its list's level; SEQ shows a stored result, else its
// count; other fields keep their result.
TEST(Word97FieldsTest, NumberingFieldsShowWhatWordCounts) {
  DocBuilder doc;
  doc.Text(Field(u" AUTONUM ") + u"first").EndParagraph();
  doc.Text(Field(u" AUTONUM ", u"42") + u"second").EndParagraph();
  doc.Text(Field(u" AUTONUM \\s : ") + u"third").EndParagraph();
  doc.Next(1).Text(Field(u" AUTONUMLGL ") + u"Heading").EndParagraph();
  doc.Text(Field(u" AUTONUMLGL ") + u"body").EndParagraph();
  doc.Text(Field(u" AUTONUMLGL \\e ") + u"body").EndParagraph();
  doc.Text(u"We " + Field(u" LISTNUM NumberDefault \\l 3 ") + u"plan, " + Field(u" LISTNUM ") +
           u"fund, " + Field(u"LISTNUM \\s 7") + u"hire")
      .EndParagraph();
  doc.Text(u"Table " + Field(u" SEQ Table \\* ARABIC ", u"9") + u", " +
           Field(u" SEQ Table \\* ROMAN ") + u", " + Field(u" SEQ table \\c "))
      .EndParagraph();
  doc.Text(Field(u" PAGE ", u"3") + u" of " + Field(u" NUMPAGES ")).EndParagraph();
  EXPECT_EQ(BodyTexts(doc.Build()),
            (Texts{"1.first", "2.second", "3:third", "1.Heading", "1.1.body", "1.2body",
                   "We i)plan, ii)fund, vii)hire", "Table 9, II, 2", "3 of "}));
}

TEST(Word97ListsTest, LabelsAreWordsOwnInTheListFixtures) {
  QM_REQUIRE_FIXTURE("lists");
  testing::ExpectWordsLabels(".doc", ReadDocument, {});
}

}  // namespace
}  // namespace quillmere::document::word97
