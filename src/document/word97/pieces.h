// The piece table ([MS-DOC] 2.8.35, 2.9.177): where each stretch of the
// document's text lies in the WordDocument stream, in 8-bit or 16-bit
// characters, and the property modifier each stretch carries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/word97/fib.h"
#include "platform/status.h"

namespace quillmere::document::word97 {

struct Piece {
  uint32_t cp_start = 0;  // first character position (CP) of the piece
  uint32_t cp_end = 0;    // one past the last
  uint32_t fc = 0;        // byte offset of cp_start in WordDocument
  int char_size = 2;      // 1 for 8-bit ("compressed") text, 2 for UTF-16
  uint16_t prm = 0;       // the property modifier (Prm)

  uint64_t fc_end() const { return fc + uint64_t{cp_end - cp_start} * char_size; }
};

struct PieceTable {
  // The pieces of the text read, in CP order, covering [0, length read)
  // without gaps and cut to it.
  std::vector<Piece> pieces;
  // The grpprls of the Prc entries, which a piece's Prm may point to.
  std::vector<std::string_view> prc_grpprls;
};

// Reads the piece table (Clx) at `clx` in `table_stream`, keeping the pieces
// of the first `wanted_length` characters, each checked to lie inside the
// WordDocument stream of `word_document_size` bytes. Fails unless the first
// `main_text_length` characters are all there; past them, the first piece
// that is missing or damaged ends the text read (the later stories are
// extras).
Status ReadPieceTable(std::string_view table_stream, FcLcb clx, uint32_t main_text_length,
                      uint32_t wanted_length, uint64_t word_document_size, PieceTable* out);

// The text the pieces cover, one UTF-16 unit per CP. 8-bit pieces decode as
// Word does: Latin-1, except 27 bytes of 0x80-0x9F that take their
// Windows-1252 meaning.
std::u16string ReadMainText(std::string_view word_document, const PieceTable& table);

// The character that an 8-bit piece's `byte` stands for.
char16_t DecodeCompressedByte(uint8_t byte);

}  // namespace quillmere::document::word97
