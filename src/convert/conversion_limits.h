// The bounds of the conversion's work, which keep a hostile page from making
// it allocate or run without limit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace quillmere {

// A column span counts at most this many columns, a row span at most this
// many rows (the limits browsers apply).
inline constexpr int64_t kMaxColumnSpan = 1000;
inline constexpr int64_t kMaxRowSpan = 65534;

// The most UTF-16 units a table's markup may hold: the first pass names its
// pieces by 32-bit offsets. (A page the program reads is far smaller.)
inline constexpr size_t kMaxMarkupUnits = UINT32_MAX;

// The most work one table may make. Spans let a few characters of markup
// stand for many cells (colspan=1000) or carry a cell's whole markup into
// thousands of rows (rowspan=65534), so a small hostile page could otherwise
// keep the program busy for hours and fill its memory. Both budgets grow with
// the markup, from floors that real tables stay far below; past either, the
// conversion stops with kMarkupTooLarge.
struct WorkBudget {
  // Cells the spans expand to: counted once over every row's pieces as the
  // first pass makes its copies, and again as rows x columns for the second.
  int64_t cells = 0;
  // Characters of all rebuilt rows together, each carried copy counted.
  int64_t characters = 0;

  static constexpr int64_t kMinCells = 2'000'000;
  static constexpr int64_t kMarkupPerCell = 8;  // one more cell per 8 characters
  static constexpr int64_t kMinCharacters = int64_t{64} << 20;
  static constexpr int64_t kCharactersPerMarkup = 4;

  static WorkBudget For(size_t markup_length) {
    const int64_t n = static_cast<int64_t>(markup_length);
    return {std::max(kMinCells, n / kMarkupPerCell),
            std::max(kMinCharacters, n * kCharactersPerMarkup)};
  }
};

}  // namespace quillmere
