#include "document/word97/row.h"

#include <algorithm>

namespace quillmere::document::word97 {
namespace {

constexpr int kTc80Size = 20;
// Edges stay within about 50 m of paper, so sums of them cannot overflow.
constexpr int64_t kMaxEdge = 1 << 21;

int ClampEdge(int64_t edge) { return static_cast<int>(std::clamp(edge, -kMaxEdge, kMaxEdge)); }

constexpr std::array<uint16_t, 12> kIdentitySprms = {
    0x7469,  // sprmTIpgp
    0x563A,  // sprmTIstd
    0x560B,  // sprmTFBiDi
    0x5664,  // sprmTFBiDi90
    0x360D,  // sprmTPc
    0x3465,  // sprmTFNoAllowOverlap
    0x940E,  // sprmTDxaAbs
    0x940F,  // sprmTDyaAbs
    0x9410,  // sprmTDxaFromText
    0x9411,  // sprmTDyaFromText
    0x941E,  // sprmTDxaFromTextRight
    0x941F,  // sprmTDyaFromTextBottom
};

class RowBuilder {
 public:
  void Apply(const Sprm& sprm) {
    const LittleEndian& op = sprm.operand;
    switch (sprm.opcode) {
      case sprm::kTDefTable:
        DefineTable(op);
        break;
      case sprm::kTInsert:
        Insert(op.U8(0), op.U8(1), op.I16(2));
        break;
      case sprm::kTDelete:
        Delete(op.U8(0), op.U8(1));
        break;
      case sprm::kTDxaCol:
        SetWidth(op.U8(0), op.U8(1), op.I16(2));
        break;
      case sprm::kTMerge:
        Merge(op.U8(0), op.U8(1));
        break;
      case sprm::kTSplit:
        Split(op.U8(0), op.U8(1));
        break;
      case sprm::kTVertMerge:
        VerticalMerge(op.U8(0), op.U8(1));
        break;
      default:
        Remember(sprm);
        break;
    }
  }
  RowDefinition Take() { return std::move(row_); }

 private:
  int Count() const { return row_.cell_count(); }

  // sprmTDefTable: cell count, the edges, then a TC80 per cell (missing
  // ones are all zero).
  void DefineTable(const LittleEndian& op) {
    int count = std::min<int>(op.U8(0), kMaxCells);
    uint64_t edges_fit = op.size() >= 1 ? (op.size() - 1) / 2 : 0;
    count = std::min<int>(count, edges_fit > 0 ? static_cast<int>(edges_fit) - 1 : 0);
    row_.defined = true;
    row_.edges.assign(count + 1, 0);
    row_.cell_flags.assign(count, 0);
    for (int i = 0; i <= count; ++i) row_.edges[i] = op.I16(1 + 2 * i);
    uint64_t tcs = 1 + 2 * uint64_t(count + 1);
    for (int i = 0; i < count && op.Has(tcs + kTc80Size * i, kTc80Size); ++i) {
      row_.cell_flags[i] = op.U16(tcs + kTc80Size * i);
    }
  }

  // sprmTInsert: `count` cells of `width` before cell `first`.
  void Insert(int first, int count, int width) {
    if (row_.edges.empty()) row_.edges.push_back(0);
    row_.defined = true;
    first = std::min(first, Count());
    count = std::min(count, kMaxCells - Count());
    if (count <= 0) return;
    for (size_t i = first + 1; i < row_.edges.size(); ++i) {
      row_.edges[i] = ClampEdge(int64_t{row_.edges[i]} + count * width);
    }
    std::vector<int> added;
    for (int k = 1; k <= count; ++k)
      added.push_back(ClampEdge(row_.edges[first] + int64_t{k} * width));
    row_.edges.insert(row_.edges.begin() + first + 1, added.begin(), added.end());
    row_.cell_flags.insert(row_.cell_flags.begin() + first, count, 0);
  }

  // sprmTDelete: removes cells [first, limit), closing the gap.
  void Delete(int first, int limit) {
    limit = std::min(limit, Count());
    if (first >= limit) return;
    int64_t width = int64_t{row_.edges[limit]} - row_.edges[first];
    row_.edges.erase(row_.edges.begin() + first + 1, row_.edges.begin() + limit + 1);
    for (size_t i = first + 1; i < row_.edges.size(); ++i)
      row_.edges[i] = ClampEdge(row_.edges[i] - width);
    row_.cell_flags.erase(row_.cell_flags.begin() + first, row_.cell_flags.begin() + limit);
  }

  // sprmTDxaCol: cells [first, limit) get `width`, later edges move along.
  void SetWidth(int first, int limit, int width) {
    limit = std::min(limit, Count());
    int64_t shift = 0;
    for (int i = first; i < Count(); ++i) {
      int old_right = row_.edges[i + 1];
      int new_right = ClampEdge(i < limit ? int64_t{row_.edges[i]} + width : old_right + shift);
      shift = new_right - old_right;
      row_.edges[i + 1] = new_right;
    }
  }

  void Merge(int first, int limit) {
    limit = std::min(limit, Count());
    for (int i = first; i < limit; ++i) {
      row_.cell_flags[i] =
          (row_.cell_flags[i] & ~kHorizontalMergeMask) | (i == first ? kFirstMerged : kMerged);
    }
  }

  void Split(int first, int limit) {
    limit = std::min(limit, Count());
    for (int i = first; i < limit; ++i) row_.cell_flags[i] &= ~kHorizontalMergeMask;
  }

  // sprmTVertMerge: 0 none, 1 continue, 3 restart.
  void VerticalMerge(int cell, int merge) {
    if (cell >= Count()) return;
    row_.cell_flags[cell] = (row_.cell_flags[cell] & ~kVerticalMergeMask) | ((merge & 3) << 5);
  }

  void Remember(const Sprm& sprm) {
    auto found = std::find(kIdentitySprms.begin(), kIdentitySprms.end(), sprm.opcode);
    if (found == kIdentitySprms.end()) return;
    const LittleEndian& op = sprm.operand;
    uint32_t value = op.size() >= 4 ? op.U32(0) : op.size() >= 2 ? op.U16(0) : op.U8(0);
    row_.identity[found - kIdentitySprms.begin()] = value;
  }

  RowDefinition row_;
};

}  // namespace

RowDefinition ReadRowDefinition(const std::vector<Sprm>& sprms) {
  RowBuilder builder;
  for (const Sprm& sprm : sprms) builder.Apply(sprm);
  return builder.Take();
}

}  // namespace quillmere::document::word97
