#include "document/word97/paragraphs.h"

#include <algorithm>

namespace quillmere::document::word97 {
namespace {

// A real paragraph has at most one PrcData (64 KB) of sprms besides its own
// and its piece's; this bounds the memory one paragraph can take.
constexpr size_t kMaxSprmsPerParagraph = 1 << 16;

bool EndsParagraph(char16_t c) { return c == 0x0D || c == 0x07 || c == 0x0C; }

// Appends the sprms of the PrcData (a 16-bit size, then a grpprl) at
// `offset` in the Data stream; nothing when it lies outside.
void AppendPrcData(LittleEndian data, uint32_t offset, std::vector<Sprm>* out) {
  if (data.Has(offset, 2)) AppendSprms(data.Slice(uint64_t{offset} + 2, data.U16(offset)), out);
}

}  // namespace

std::vector<ParagraphSpan> FindParagraphs(const std::vector<FkpRun>& runs, const PieceTable& pieces,
                                          std::u16string_view text) {
  std::vector<ParagraphSpan> paragraphs;
  uint32_t start = 0;
  for (const Piece& piece : pieces.pieces) {
    // Runs ending inside (fc, fc_end] end a paragraph in this piece.
    auto run = std::upper_bound(runs.begin(), runs.end(), piece.fc,
                                [](uint64_t fc, const FkpRun& r) { return fc < r.end; });
    for (; run != runs.end() && run->end <= piece.fc_end(); ++run) {
      uint64_t offset = run->end - piece.fc;
      if (offset % piece.char_size != 0) continue;
      uint32_t mark = piece.cp_start + static_cast<uint32_t>(offset / piece.char_size) - 1;
      if (!EndsParagraph(text[mark])) continue;
      paragraphs.push_back({start, mark, run->sprms, piece.prm, run->istd});
      start = mark + 1;
    }
  }
  if (start < text.size()) {
    paragraphs.push_back({start, static_cast<uint32_t>(text.size()), {}, 0, 0});
  }
  return paragraphs;
}

bool ParagraphSprms(const ParagraphSpan& paragraph, const PieceTable& pieces,
                    std::string_view data_stream, uint64_t* budget, std::vector<Sprm>* out) {
  std::vector<Sprm> direct;
  AppendSprms(paragraph.fkp_sprms, &direct);
  AppendPrmSprms(paragraph.prm, pieces.prc_grpprls, &direct);
  // Word 2003+ writes a row both inline and through sprmPTableProps; the
  // indirect form counts only when the inline one is missing.
  bool inline_row = std::any_of(direct.begin(), direct.end(),
                                [](const Sprm& s) { return s.opcode == sprm::kTDefTable; });
  LittleEndian data(data_stream);
  uint64_t limit = std::min<uint64_t>(*budget, kMaxSprmsPerParagraph);
  out->clear();
  for (const Sprm& sprm : direct) {
    if (out->size() > limit) return false;
    if (sprm.opcode == sprm::kPHugePapx || (sprm.opcode == sprm::kPTableProps && !inline_row)) {
      AppendPrcData(data, sprm.operand.U32(0), out);
    } else {
      out->push_back(sprm);
    }
  }
  if (out->size() > limit) return false;
  *budget -= out->size();
  return true;
}

TableMarks ReadTableMarks(const std::vector<Sprm>& sprms) {
  TableMarks marks;
  bool in_table = false, has_depth = false;
  int64_t depth = 0, depth_change = 0;
  for (const Sprm& sprm : sprms) {
    switch (sprm.opcode) {
      case sprm::kPFInTable:
        in_table = sprm.operand.U8(0) != 0;
        break;
      case sprm::kPFTtp:
        marks.row_end = sprm.operand.U8(0) != 0;
        break;
      case sprm::kPFInnerTableCell:
        marks.inner_cell_end = sprm.operand.U8(0) != 0;
        break;
      case sprm::kPFInnerTtp:
        marks.inner_row_end = sprm.operand.U8(0) != 0;
        break;
      case sprm::kPItap:
        has_depth = true;
        depth = sprm.operand.I32(0);
        break;
      case sprm::kPDtap:
        depth_change += sprm.operand.I32(0);
        break;
    }
  }
  if (!has_depth) depth = in_table ? 1 : 0;
  depth = std::clamp<int64_t>(depth + depth_change, 0, kMaxTableDepth);
  marks.depth = static_cast<int>(depth);
  return marks;
}

}  // namespace quillmere::document::word97
