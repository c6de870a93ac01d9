#include "document/word97/pieces.h"

#include <algorithm>

#include "document/word97/little_endian.h"
#include "platform/translation.h"

namespace quillmere::document::word97 {
namespace {

constexpr uint8_t kClxPrc = 0x01;
constexpr uint8_t kClxPieces = 0x02;
constexpr int kPieceDescriptorSize = 8;
constexpr uint32_t kFcCompressed = 0x40000000;
constexpr uint32_t kFcMask = 0x3FFFFFFF;

Status Corrupt(const std::string& what) {
  return Status(ErrorNumber::kCorruptDocument,
                Fill(Tr("The document's piece table is damaged: %s."), what));
}

// Reads the CPs and descriptors of a PlcPcd of `size` bytes at `at`.
Status ReadPieces(const LittleEndian& clx, uint64_t at, uint64_t size, uint32_t main_text_length,
                  uint32_t wanted_length, uint64_t word_document_size, PieceTable* out) {
  if (size < 4 || (size - 4) % (4 + kPieceDescriptorSize) != 0) {
    return Corrupt("its size " + std::to_string(size) + " fits no whole number of pieces");
  }
  uint64_t count = (size - 4) / (4 + kPieceDescriptorSize);
  uint64_t descriptors = at + 4 * (count + 1);
  if (clx.U32(at) != 0) return Corrupt("the first piece does not start the text");
  for (uint64_t i = 0; i < count; ++i) {
    uint32_t cp_start = clx.U32(at + 4 * i);
    uint32_t cp_end = clx.U32(at + 4 * (i + 1));
    bool extra = cp_start >= main_text_length;
    if (cp_start >= wanted_length) break;
    if (cp_end < cp_start) {
      if (extra) break;
      return Corrupt("piece " + std::to_string(i) + " ends before it starts");
    }
    if (cp_start == cp_end) continue;
    uint64_t d = descriptors + i * kPieceDescriptorSize;
    uint32_t fc = clx.U32(d + 2);
    Piece piece;
    piece.cp_start = cp_start;
    piece.cp_end = std::min(cp_end, wanted_length);
    piece.char_size = fc & kFcCompressed ? 1 : 2;
    piece.fc = piece.char_size == 1 ? (fc & kFcMask) / 2 : fc & kFcMask;
    piece.prm = clx.U16(d + 6);
    bool clipped = false;
    if (piece.fc_end() > word_document_size && !extra) {
      piece.cp_end = std::min(cp_end, main_text_length);  // the extras, at least, are lost
      clipped = true;
    }
    if (piece.fc_end() > word_document_size) {
      if (extra) break;
      return Corrupt("the text of piece " + std::to_string(i) +
                     " lies outside the document stream");
    }
    out->pieces.push_back(piece);
    if (clipped) break;
  }
  uint32_t covered = out->pieces.empty() ? 0 : out->pieces.back().cp_end;
  if (covered < main_text_length) {
    return Corrupt("it holds " + std::to_string(covered) + " of the text's " +
                   std::to_string(main_text_length) + " characters");
  }
  return Status();
}

}  // namespace

Status ReadPieceTable(std::string_view table_stream, FcLcb clx_at, uint32_t main_text_length,
                      uint32_t wanted_length, uint64_t word_document_size, PieceTable* out) {
  *out = PieceTable();
  LittleEndian table(table_stream);
  if (!table.Has(clx_at.fc, clx_at.lcb)) return Corrupt("it lies outside the table stream");
  LittleEndian clx(table.Slice(clx_at.fc, clx_at.lcb));
  uint64_t at = 0;
  while (clx.U8(at) == kClxPrc) {
    int16_t size = clx.I16(at + 1);
    if (size < 0 || !clx.Has(at + 3, size)) return Corrupt("a property entry has a bad size");
    out->prc_grpprls.push_back(clx.Slice(at + 3, size));
    at += 3 + size;
  }
  if (clx.U8(at) != kClxPieces || !clx.Has(at, 5)) return Corrupt("it holds no pieces");
  uint64_t size = clx.U32(at + 1);
  if (!clx.Has(at + 5, size)) return Corrupt("its pieces run past its end");
  return ReadPieces(clx, at + 5, size, main_text_length, std::max(main_text_length, wanted_length),
                    word_document_size, out);
}

char16_t DecodeCompressedByte(uint8_t byte) {
  // [MS-DOC] 2.9.73: these bytes take their Windows-1252 meaning; the others
  // of 0x80-0x9F (0x80, 0x81, 0x8D-0x90, 0x9D, 0x9E) stay as they are.
  static constexpr char16_t kHigh[32] = {
      0x0080, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x008E, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178};
  return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

std::u16string ReadMainText(std::string_view word_document, const PieceTable& table) {
  std::u16string text;
  if (!table.pieces.empty()) text.reserve(table.pieces.back().cp_end);
  LittleEndian stream(word_document);
  for (const Piece& piece : table.pieces) {
    uint32_t count = piece.cp_end - piece.cp_start;
    for (uint32_t i = 0; i < count; ++i) {
      text.push_back(piece.char_size == 1 ? DecodeCompressedByte(stream.U8(piece.fc + i))
                                          : stream.U16(piece.fc + 2 * uint64_t{i}));
    }
  }
  return text;
}

}  // namespace quillmere::document::word97
