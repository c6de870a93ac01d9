#include "platform/document/word97_paragraphs.h"

#include <algorithm>

namespace quillmere::document {
namespace {

bool EndsParagraph(char16_t c) { return c == 0x0D || c == 0x07 || c == 0x0C; }

// Appends the grpprl's sprms, each sprmPHugePapx replaced by the PrcData
// (a 16-bit size, then the sprms) it points to in the Data stream.
void AppendExpandingHugePapx(std::string_view grpprl, LittleEndian data, std::vector<Sprm>* out) {
  SprmReader reader(grpprl);
  Sprm sprm;
  while (reader.Next(&sprm)) {
    if (sprm.opcode != sprm::kPHugePapx) {
      out->push_back(sprm);
      continue;
    }
    uint32_t at = sprm.operand.U32(0);
    if (data.Has(at, 2)) AppendSprms(data.Slice(uint64_t{at} + 2, data.U16(at)), out);
  }
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
      paragraphs.push_back({start, mark, run->sprms, piece.prm});
      start = mark + 1;
    }
  }
  if (start < text.size()) paragraphs.push_back({start, static_cast<uint32_t>(text.size()), {}, 0});
  return paragraphs;
}

std::vector<Sprm> ParagraphSprms(const ParagraphSpan& paragraph, const PieceTable& pieces,
                                 std::string_view data_stream) {
  std::vector<Sprm> sprms;
  LittleEndian data(data_stream);
  AppendExpandingHugePapx(paragraph.fkp_sprms, data, &sprms);
  std::vector<Sprm> piece_sprms;
  AppendPrmSprms(paragraph.prm, pieces.prc_grpprls, &piece_sprms);
  for (const Sprm& sprm : piece_sprms) {
    if (sprm.opcode == sprm::kPHugePapx) {
      uint32_t at = sprm.operand.U32(0);
      if (data.Has(at, 2)) AppendSprms(data.Slice(uint64_t{at} + 2, data.U16(at)), &sprms);
    } else {
      sprms.push_back(sprm);
    }
  }
  return sprms;
}

TableMarks ReadTableMarks(const std::vector<Sprm>& sprms) {
  TableMarks marks;
  bool in_table = false, has_depth = false;
  int64_t depth = 0, depth_change = 0;
  for (const Sprm& sprm : sprms) {
    switch (sprm.opcode) {
      case sprm::kPFInTable: in_table = sprm.operand.U8(0) != 0; break;
      case sprm::kPFTtp: marks.row_end = sprm.operand.U8(0) != 0; break;
      case sprm::kPFInnerTableCell: marks.inner_cell_end = sprm.operand.U8(0) != 0; break;
      case sprm::kPFInnerTtp: marks.inner_row_end = sprm.operand.U8(0) != 0; break;
      case sprm::kPItap: has_depth = true; depth = sprm.operand.I32(0); break;
      case sprm::kPDtap: depth_change += sprm.operand.I32(0); break;
    }
  }
  if (!has_depth) depth = in_table ? 1 : 0;
  depth = std::clamp<int64_t>(depth + depth_change, 0, kMaxTableDepth);
  marks.depth = static_cast<int>(depth);
  return marks;
}

}  // namespace quillmere::document
