// A table row's definition, from the sprms of its row-end mark ([MS-DOC]
// 2.6.3, 2.9.321): the cell edges, each cell's merge flags, and the
// properties that tell one table from the next.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "document/word97/sprm.h"

namespace quillmere::document::word97 {

// Horizontal merge (tcgrf bits 0-1, as Word 97 names them) and vertical
// merge (bits 5-6) of a cell.
constexpr uint16_t kFirstMerged = 0x0001;
constexpr uint16_t kMerged = 0x0002;
constexpr uint16_t kHorizontalMergeMask = 0x0003;
constexpr uint16_t kVerticalContinue = 0x0020;
constexpr uint16_t kVerticalRestart = 0x0060;
constexpr uint16_t kVerticalMergeMask = 0x0060;

// A row has at most this many cells.
constexpr int kMaxCells = 63;

struct RowDefinition {
  bool defined = false;              // a cell layout was given
  std::vector<int> edges;            // cell edges in twips: left of cell 0, then each cell's right
  std::vector<uint16_t> cell_flags;  // merge flags (tcgrf) per cell
  // The last operand of each sprm that keeps rows of different tables
  // apart (position, floating, style, direction...); missing counts as 0.
  std::array<uint32_t, 12> identity{};

  int cell_count() const { return static_cast<int>(cell_flags.size()); }
  bool SameTableAs(const RowDefinition& other) const { return identity == other.identity; }
};

// Applies the table sprms among `sprms`, in order, to an empty row.
RowDefinition ReadRowDefinition(const std::vector<Sprm>& sprms);

}  // namespace quillmere::document::word97
