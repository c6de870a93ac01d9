// Text in several pieces of both sizes. LibreOffice writes all text in one
// 16-bit piece; Word stores every stretch its 8-bit mapping can hold in an
// 8-bit piece. These tests rewrite a LibreOffice document that way.
#include <gtest/gtest.h>

#include <map>

#include "doc_parts.h"
#include "document/word97/fib.h"
#include "document/word97/little_endian.h"
#include "document/word97/pieces.h"
#include "document/word97/reader.h"
#include "table_grid.h"

namespace quillmere::document::word97 {
namespace {

using testing::DocParts;
using testing::FibPairOffset;

constexpr uint32_t kCompressed = 0x40000000;

void Put32(std::string* bytes, uint64_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<char>(value >> (8 * i));
}

// The 8-bit byte Word stores for `c`, or -1.
int CompressedByteOf(char16_t c) {
  for (int byte = 0; byte < 256; ++byte) {
    if (DecodeCompressedByte(static_cast<uint8_t>(byte)) == c) return byte;
  }
  return -1;
}

struct NewPiece {
  uint32_t cp_start, cp_end;
  uint32_t fc;  // byte offset of cp_start
  int size;
};

// Splits every 16-bit piece into stretches of 8-bit and 16-bit text. Each
// stretch stays where its 16-bit text began (8-bit text needs half the
// room), and the character and paragraph pages' offsets move along.
DocParts ToMixedPieces(DocParts parts, std::vector<NewPiece>* pieces_out) {
  LittleEndian fib(parts.word_document);
  uint64_t clx_pair = FibPairOffset(parts.word_document, testing::kPieceTablePair);
  LittleEndian clx(LittleEndian(parts.table).Slice(fib.U32(clx_pair), fib.U32(clx_pair + 4)));
  EXPECT_EQ(clx.U8(0), 2) << "expects no property entries";
  uint32_t count = (clx.U32(1) - 4) / 12;
  std::vector<NewPiece> pieces;
  std::map<uint32_t, std::pair<uint32_t, uint32_t>> old_pieces;  // old fc -> (cp start, cp end)
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t cp = clx.U32(5 + 4 * i), cp_end = clx.U32(5 + 4 * (i + 1));
    uint32_t fc = clx.U32(5 + 4 * (count + 1) + 8 * i + 2);
    EXPECT_FALSE(fc & kCompressed);
    old_pieces[fc] = {cp, cp_end};
    while (cp < cp_end) {
      uint64_t at = fc + 2 * uint64_t(cp - clx.U32(5 + 4 * i));
      bool narrow = CompressedByteOf(LittleEndian(parts.word_document).U16(at)) >= 0;
      NewPiece piece{cp, cp, static_cast<uint32_t>(at), narrow ? 1 : 2};
      while (piece.cp_end < cp_end) {
        uint64_t c_at = fc + 2 * uint64_t(piece.cp_end - clx.U32(5 + 4 * i));
        int byte = CompressedByteOf(LittleEndian(parts.word_document).U16(c_at));
        if ((byte >= 0) != narrow) break;
        if (narrow)
          parts.word_document[piece.fc + (piece.cp_end - piece.cp_start)] = static_cast<char>(byte);
        ++piece.cp_end;
      }
      pieces.push_back(piece);
      cp = piece.cp_end;
    }
  }
  // The new piece table, at the end of the table stream.
  std::string plc(4 * (pieces.size() + 1), '\0');
  for (size_t i = 0; i < pieces.size(); ++i) Put32(&plc, 4 * i, pieces[i].cp_start);
  Put32(&plc, 4 * pieces.size(), pieces.back().cp_end);
  for (const NewPiece& p : pieces) {
    std::string pcd(8, '\0');
    Put32(&pcd, 2, p.size == 1 ? (p.fc * 2) | kCompressed : p.fc);
    plc += pcd;
  }
  std::string new_clx = "\x02" + std::string(4, '\0') + plc;
  Put32(&new_clx, 1, static_cast<uint32_t>(plc.size()));
  Put32(&parts.word_document, clx_pair, static_cast<uint32_t>(parts.table.size()));
  Put32(&parts.word_document, clx_pair + 4, static_cast<uint32_t>(new_clx.size()));
  parts.table += new_clx;
  // Page offsets: a CP's old 16-bit position becomes its new one.
  auto cp_of = [&](uint32_t fc, uint32_t* cp) {
    auto it = old_pieces.upper_bound(fc);
    if (it == old_pieces.begin()) return false;
    --it;
    *cp = it->second.first + (fc - it->first) / 2;
    return *cp <= it->second.second;
  };
  auto new_fc = [&](uint32_t cp, bool is_end) {
    for (const NewPiece& p : pieces) {
      if (is_end ? (cp > p.cp_start && cp <= p.cp_end) : (cp >= p.cp_start && cp < p.cp_end)) {
        return p.fc + (cp - p.cp_start) * p.size;
      }
    }
    return is_end ? pieces.back().fc +
                        (pieces.back().cp_end - pieces.back().cp_start) * pieces.back().size
                  : pieces.front().fc;
  };
  for (int pair : {testing::kParagraphBinsPair, testing::kCharacterBinsPair}) {
    uint64_t at = FibPairOffset(parts.word_document, pair);
    LittleEndian bins(LittleEndian(parts.table).Slice(fib.U32(at), fib.U32(at + 4)));
    uint32_t pages = (static_cast<uint32_t>(bins.size()) - 4) / 8;
    for (uint32_t i = 0; i < pages; ++i) {
      uint64_t page = uint64_t(bins.U32(4 * (pages + 1) + 4 * i) & 0x3FFFFF) * 512;
      uint32_t runs = static_cast<uint8_t>(parts.word_document[page + 511]);
      for (uint32_t k = 0; k <= runs; ++k) {
        uint32_t cp = 0;
        uint32_t old_fc = LittleEndian(parts.word_document).U32(page + 4 * k);
        if (cp_of(old_fc, &cp)) Put32(&parts.word_document, page + 4 * k, new_fc(cp, k > 0));
      }
    }
  }
  *pieces_out = pieces;
  return parts;
}

TEST(Word97PiecesTest, EightBitPiecesUseWordsMappingBesideSixteenBitOnes) {
  DocParts original = testing::LoadDocParts("latin.doc");
  std::vector<NewPiece> pieces;
  DocParts mixed = ToMixedPieces(original, &pieces);
  int narrow = 0, wide = 0;
  for (const NewPiece& p : pieces) (p.size == 1 ? narrow : wide)++;
  EXPECT_GE(narrow, 2);
  EXPECT_EQ(wide, 1);  // "€": Word's mapping has no 8-bit byte for it

  Document expected, actual;
  ASSERT_TRUE(ReadDocument(original.Pack(), &expected).ok());
  Status status = ReadDocument(mixed.Pack(), &actual);
  ASSERT_TRUE(status.ok()) << status.ToString();
  auto tables = testing::ExpandTables(actual);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0].rows, testing::ExpandTables(expected)[0].rows);
  EXPECT_EQ(tables[0].rows[1][0], "Price: 5 €, £ 3, ¥ 7");
}

TEST(Word97PiecesTest, ThePieceTableCoversExactlyTheMainText) {
  DocParts parts = testing::LoadDocParts("latin.doc");
  std::vector<NewPiece> pieces;
  DocParts mixed = ToMixedPieces(parts, &pieces);
  Fib fib;
  ASSERT_TRUE(ReadFib(mixed.word_document, &fib).ok());
  PieceTable table;
  ASSERT_TRUE(ReadPieceTable(mixed.table, fib.piece_table, fib.main_text_length,
                             fib.main_text_length, mixed.word_document.size(), &table)
                  .ok());
  ASSERT_FALSE(table.pieces.empty());
  EXPECT_EQ(table.pieces.front().cp_start, 0u);
  EXPECT_EQ(table.pieces.back().cp_end, static_cast<uint32_t>(fib.main_text_length));
  for (size_t i = 1; i < table.pieces.size(); ++i)
    EXPECT_EQ(table.pieces[i].cp_start, table.pieces[i - 1].cp_end);
  EXPECT_EQ(ReadMainText(mixed.word_document, table).size(),
            static_cast<size_t>(fib.main_text_length));
}

}  // namespace
}  // namespace quillmere::document::word97
