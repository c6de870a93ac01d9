#include "document/word97/sprm.h"

#include <string>

namespace quillmere::document::word97 {
namespace {

// Operand bytes for each value of spra (bits 13-15); 6 means variable.
constexpr int kOperandSize[8] = {1, 1, 2, 4, 2, 2, -1, 3};
constexpr int kChangeTabsWalked = 255;

// Sets the operand's offset and size after the opcode at `at`, or returns false.
bool LocateOperand(const LittleEndian& grpprl, uint64_t at, uint16_t opcode, uint64_t* start,
                   uint64_t* size) {
  int fixed = kOperandSize[opcode >> 13];
  if (fixed > 0) {
    *start = at;
    *size = fixed;
  } else if (opcode == sprm::kTDefTable || opcode == sprm::kTDefTable10) {
    // A 16-bit count of the remaining bytes, plus one.
    uint16_t cb = grpprl.U16(at);
    *start = at + 2;
    *size = cb > 0 ? cb - 1 : 0;
    if (!grpprl.Has(at, 2)) return false;
  } else if (opcode == sprm::kPChgTabs && grpprl.U8(at) == kChangeTabsWalked) {
    // Deleted tabs (4 bytes each), then added tabs (3 bytes each).
    uint64_t deleted = grpprl.U8(at + 1);
    uint64_t added_at = at + 2 + 4 * deleted;
    *start = at + 1;
    *size = added_at + 1 + 3 * uint64_t{grpprl.U8(added_at)} - *start;
    if (!grpprl.Has(added_at, 1)) return false;
  } else {
    *start = at + 1;
    *size = grpprl.U8(at);
    if (!grpprl.Has(at, 1)) return false;
  }
  return grpprl.Has(*start, *size);
}

// Prm0 packs one sprm with a one-byte operand; its isprm values that matter
// for tables and deletions ([MS-DOC] 2.9.216).
uint16_t OpcodeOfIsprm(uint8_t isprm) {
  switch (isprm) {
    case 0x18:
      return sprm::kPFInTable;
    case 0x19:
      return sprm::kPFTtp;
    case 0x41:
      return sprm::kCFRMarkDel;
    default:
      return 0;
  }
}

}  // namespace

bool SprmReader::Next(Sprm* out) {
  if (!grpprl_.Has(at_, 2)) return false;
  uint16_t opcode = grpprl_.U16(at_);
  uint64_t start = 0, size = 0;
  if (!LocateOperand(grpprl_, at_ + 2, opcode, &start, &size)) {
    at_ = grpprl_.size();
    return false;
  }
  out->opcode = opcode;
  out->operand = LittleEndian(grpprl_.Slice(start, size));
  at_ = start + size;
  return true;
}

void AppendSprms(std::string_view grpprl, std::vector<Sprm>* out) {
  SprmReader reader(grpprl);
  Sprm sprm;
  while (reader.Next(&sprm)) out->push_back(sprm);
}

void AppendPrmSprms(uint16_t prm, const std::vector<std::string_view>& prc_grpprls,
                    std::vector<Sprm>* out) {
  if (prm & 1) {
    size_t index = prm >> 1;
    if (index < prc_grpprls.size()) AppendSprms(prc_grpprls[index], out);
    return;
  }
  uint16_t opcode = OpcodeOfIsprm((prm >> 1) & 0x7F);
  if (opcode == 0) return;
  // The operand is the Prm's high byte; point at a lasting copy of it.
  static const std::string kAllBytes = [] {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<char>(i);
    return bytes;
  }();
  out->push_back({opcode, LittleEndian(std::string_view(kAllBytes).substr(prm >> 8, 1))});
}

}  // namespace quillmere::document::word97
