// The paragraphs of the main text and their direct properties, as far as
// tables need them ([MS-DOC] 2.4.2, 2.4.6.1, 2.6.2).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "document/word97/fkp.h"
#include "document/word97/pieces.h"
#include "document/word97/sprm.h"

namespace quillmere::document::word97 {

struct ParagraphSpan {
  uint32_t start = 0;          // CP of the first character
  uint32_t mark = 0;           // CP of the mark ending it (0x0D, 0x07 or 0x0C), or the text's end
  std::string_view fkp_sprms;  // the sprms of the paragraph run that ends at the mark
  uint16_t prm = 0;            // the Prm of the piece that holds the mark
  uint16_t istd = 0;           // the paragraph's style
};

// Splits `text` (the main text read through `pieces`) into paragraphs where
// the runs of the paragraph pages end. A run ending on a character that
// cannot end a paragraph is ignored; text after the last mark becomes a
// paragraph of its own.
std::vector<ParagraphSpan> FindParagraphs(const std::vector<FkpRun>& paragraph_runs,
                                          const PieceTable& pieces, std::u16string_view text);

// Sets `out` to the paragraph's direct sprms in the order they apply: its
// run's, then its piece's. sprmPHugePapx is replaced by the sprms it points
// to in `data_stream`, and so is sprmPTableProps when the row is not also
// defined inline by sprmTDefTable. Paragraphs may share such sprms, so a
// hostile file could give each of them thousands: the count is taken from
// `budget`, and the result is false when the budget runs out or one
// paragraph has far more than a real one can.
bool ParagraphSprms(const ParagraphSpan& paragraph, const PieceTable& pieces,
                    std::string_view data_stream, uint64_t* budget, std::vector<Sprm>* out);

// Where a paragraph stands in the table structure.
struct TableMarks {
  int depth = 0;                // 0 outside tables, 1 in a table, 2 in a nested table, ...
  bool row_end = false;         // sprmPFTtp: the 0x07 ending a row at depth 1
  bool inner_cell_end = false;  // sprmPFInnerTableCell: the 0x0D ending a cell deeper down
  bool inner_row_end = false;   // sprmPFInnerTtp: the 0x0D ending a row deeper down
};

// Tables nest at most this deep; deeper paragraphs count as this deep.
constexpr int kMaxTableDepth = 64;

TableMarks ReadTableMarks(const std::vector<Sprm>& sprms);

}  // namespace quillmere::document::word97
