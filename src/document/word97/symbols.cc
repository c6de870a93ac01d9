#include "document/word97/symbols.h"

#include <algorithm>
#include <unordered_map>

#include "document/word97/sprm.h"

namespace quillmere::document::word97 {
namespace {

constexpr char16_t kSymbolPlaceholder = u'(';

// The sprms of the character run holding byte `fc`, or nothing.
std::string_view RunSprmsAt(const std::vector<FkpRun>& runs, uint64_t fc) {
  auto run = std::upper_bound(runs.begin(), runs.end(), fc,
                              [](uint64_t at, const FkpRun& r) { return at < r.end; });
  return run != runs.end() && run->start <= fc ? run->sprms : std::string_view();
}

// The symbol the last sprmCSymbol among `sprms` gives, or 0.
char16_t SymbolOf(const std::vector<Sprm>& sprms) {
  char16_t symbol = 0;
  for (const Sprm& sprm : sprms) {
    if (sprm.opcode == sprm::kCSymbol) symbol = sprm.operand.U16(2);
  }
  return symbol;
}

}  // namespace

void ResolveSymbols(const std::vector<FkpRun>& runs, const PieceTable& pieces,
                    std::u16string* text) {
  // Many pieces may share one large modifier: read each distinct one once.
  std::unordered_map<uint16_t, char16_t> piece_symbols;
  std::vector<Sprm> sprms;
  for (const Piece& piece : pieces.pieces) {
    auto known = piece_symbols.find(piece.prm);
    if (known == piece_symbols.end()) {
      sprms.clear();
      AppendPrmSprms(piece.prm, pieces.prc_grpprls, &sprms);
      known = piece_symbols.emplace(piece.prm, SymbolOf(sprms)).first;
    }
    for (uint32_t cp = piece.cp_start; cp < piece.cp_end; ++cp) {
      if ((*text)[cp] != kSymbolPlaceholder) continue;
      sprms.clear();
      AppendSprms(RunSprmsAt(runs, piece.fc + uint64_t{cp - piece.cp_start} * piece.char_size),
                  &sprms);
      // The piece's modifier applies after the run's properties.
      char16_t symbol = known->second ? known->second : SymbolOf(sprms);
      // A control character would be taken for structure; keep "(" then.
      if (symbol >= 0x20) (*text)[cp] = symbol;
    }
  }
}

}  // namespace quillmere::document::word97
