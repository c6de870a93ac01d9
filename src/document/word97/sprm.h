// Property modifiers ("sprms", [MS-DOC] 2.2.5.1, 2.6): a 16-bit opcode and
// an operand, packed back to back into a grpprl.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "document/word97/little_endian.h"

namespace quillmere::document::word97 {

// The opcodes this reader acts on.
namespace sprm {
// Paragraph.
constexpr uint16_t kPFInTable = 0x2416;
constexpr uint16_t kPFTtp = 0x2417;
constexpr uint16_t kPChgTabs = 0xC615;
constexpr uint16_t kPHugePapx = 0x6646;
constexpr uint16_t kPItap = 0x6649;
constexpr uint16_t kPDtap = 0x664A;
constexpr uint16_t kPFInnerTableCell = 0x244B;
constexpr uint16_t kPFInnerTtp = 0x244C;
constexpr uint16_t kPTableProps = 0x646B;
// Character.
constexpr uint16_t kCFRMarkDel = 0x0800;
constexpr uint16_t kCSymbol = 0x6A09;
constexpr uint16_t kCFData = 0x0806;
constexpr uint16_t kCPicLocation = 0x6A03;
constexpr uint16_t kCRgFtc0 = 0x4A4F;  // the font of ASCII characters
constexpr uint16_t kCRgFtc2 = 0x4A51;  // the font of other non-East-Asian characters
// Table.
constexpr uint16_t kTDefTable10 = 0xD606;
constexpr uint16_t kTDefTable = 0xD608;
constexpr uint16_t kTInsert = 0x7621;
constexpr uint16_t kTDelete = 0x5622;
constexpr uint16_t kTDxaCol = 0x7623;
constexpr uint16_t kTMerge = 0x5624;
constexpr uint16_t kTSplit = 0x5625;
constexpr uint16_t kTVertMerge = 0xD62B;
}  // namespace sprm

struct Sprm {
  uint16_t opcode = 0;
  // The operand without any length prefix.
  LittleEndian operand;
};

// Walks the sprms of a grpprl in order. Stops at the first one that would
// run past the end, so a damaged grpprl yields its intact beginning.
class SprmReader {
 public:
  explicit SprmReader(std::string_view grpprl) : grpprl_(grpprl) {}
  bool Next(Sprm* out);

 private:
  LittleEndian grpprl_;
  uint64_t at_ = 0;
};

// Appends the sprms of `grpprl` to `out`.
void AppendSprms(std::string_view grpprl, std::vector<Sprm>* out);

// Appends the sprms that a piece descriptor's property modifier (Prm,
// [MS-DOC] 2.9.215) stands for: one sprm packed into it (Prm0), or the
// grpprl of the piece table's Prc entry it points to (Prm1).
void AppendPrmSprms(uint16_t prm, const std::vector<std::string_view>& prc_grpprls,
                    std::vector<Sprm>* out);

}  // namespace quillmere::document::word97
