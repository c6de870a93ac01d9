// Lists and notes of Word 97-2003 documents: the labels of the real
// documents in the fixtures' lists/ folder against the ones Word wrote for
// them, and footnote and endnote marks in a built document.
#include <gtest/gtest.h>

#include "compound_file_writer.h"
#include "doc_parts.h"
#include "document/list_fixtures.h"
#include "document/web_page/writer.h"
#include "document/word97/fib.h"
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

TEST(Word97ListsTest, LabelsAreWordsOwnInTheListFixtures) {
  QM_REQUIRE_FIXTURE("lists");
  testing::ExpectWordsLabels(".doc", ReadDocument, {});
}

}  // namespace
}  // namespace quillmere::document::word97
