#include "document/word97/revisions.h"

#include <algorithm>
#include <optional>

#include "document/word97/sprm.h"

namespace quillmere::document::word97 {
namespace {

bool EndsParagraph(char16_t c) { return c == 0x0D || c == 0x07 || c == 0x0C; }

// What the last sprmCFRMarkDel of `sprms` says, if there is one. Its operand
// is a toggle: 1 on, 0x81 the opposite of the style (which never marks
// deletions), anything else off.
std::optional<bool> DeletionOf(const std::vector<Sprm>& sprms) {
  std::optional<bool> deleted;
  for (const Sprm& sprm : sprms) {
    if (sprm.opcode != sprm::kCFRMarkDel) continue;
    uint8_t value = sprm.operand.U8(0);
    deleted = value == 1 || value == 0x81;
  }
  return deleted;
}

class Remover {
 public:
  explicit Remover(std::u16string* text) : text_(*text) {}

  // Removes the characters of `piece` in the bytes [start, end) of its text.
  void Remove(const Piece& piece, uint64_t start, uint64_t end) {
    uint64_t first =
        (std::max<uint64_t>(start, piece.fc) - piece.fc + piece.char_size - 1) / piece.char_size;
    uint64_t limit = (std::min(end, piece.fc_end()) - piece.fc) / piece.char_size;
    for (uint64_t i = first; i < limit; ++i) {
      char16_t& c = text_[piece.cp_start + i];
      if (EndsParagraph(c)) {
        marks_.push_back(static_cast<uint32_t>(piece.cp_start + i));
      } else {
        c = 0;
      }
    }
  }
  std::vector<uint32_t> TakeMarks() { return std::move(marks_); }

 private:
  std::u16string& text_;
  std::vector<uint32_t> marks_;
};

}  // namespace

std::vector<uint32_t> RemoveDeletedText(const std::vector<FkpRun>& runs, const PieceTable& pieces,
                                        std::u16string* text) {
  Remover remover(text);
  std::vector<Sprm> sprms;
  for (const Piece& piece : pieces.pieces) {
    sprms.clear();
    AppendPrmSprms(piece.prm, pieces.prc_grpprls, &sprms);
    // The piece's modifier applies after its runs' properties.
    if (std::optional<bool> deleted = DeletionOf(sprms)) {
      if (*deleted) remover.Remove(piece, piece.fc, piece.fc_end());
      continue;
    }
    auto run = std::upper_bound(runs.begin(), runs.end(), uint64_t{piece.fc},
                                [](uint64_t fc, const FkpRun& r) { return fc < r.end; });
    for (; run != runs.end() && run->start < piece.fc_end(); ++run) {
      sprms.clear();
      AppendSprms(run->sprms, &sprms);
      if (DeletionOf(sprms).value_or(false)) remover.Remove(piece, run->start, run->end);
    }
  }
  return remover.TakeMarks();
}

}  // namespace quillmere::document::word97
