// The first pass: a table's markup cut into rows of cell pieces. In the
// working text (working_view.h) every "<tr " start tag, with everything up
// to the next "<td ", becomes a bare "<tr>"; the stretches between them are
// the rows, split at "</td>" into pieces, each kept unless it is made of
// blanks, a piece spanning n columns standing n times. The first row's width
// gives colBound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "convert/conversion_limits.h"
#include "convert/table_sink.h"
#include "convert/ustring.h"
#include "platform/status.h"

namespace quillmere {

namespace conversion_detail {

// What ends every cell piece of a row text, and what stands before every row
// in strRows.
inline constexpr text::TextView kCellEnd = u"</td>";
inline constexpr text::TextView kCrLf = u"\r\n";

}  // namespace conversion_detail

// The rows the first pass isolates. A row's text is its kept cell pieces,
// each followed by "</td>" as often as it stands in the row (n times for a
// piece spanning n columns). The pieces point into the markup (and are
// lowercased when used), so no row text is copied; only a piece that a
// dropped tag cut into two is joined into a text of its own.
class IsolatedRows {
 public:
  // A piece names its stretch of the markup by offsets (the markup holds at
  // most kMaxMarkupUnits units), or its joined text by number: a table of
  // a million cells holds as many pieces.
  struct Piece {
    uint32_t begin = 0;  // in the markup as given, or the number of its joined text
    uint32_t length = 0;
    uint16_t copies = 1;  // never more than a column span and the piece itself
    uint16_t joined : 1 = 0;
    // The text holds "colspan" or "rowspan" (in any case): without either,
    // the cell it becomes has no span attribute to look for.
    uint16_t mentions_span : 1 = 0;
  };
  static_assert(kMaxColumnSpan < UINT16_MAX, "a piece's copies fit its count");
  using Row = std::span<const Piece>;
  // A piece whose stretch of the markup holds a dropped tag, joined around it.
  struct Joined {
    text::Text working;   // lowercased
    text::Text original;  // when originals are kept
  };

  IsolatedRows() = default;
  IsolatedRows(const IsolatedRows&) = delete;
  IsolatedRows& operator=(const IsolatedRows&) = delete;

  size_t size() const { return row_ends_.size(); }
  Row row(size_t i) const {
    const size_t begin = i == 0 ? 0 : row_ends_[i - 1];
    return Row(pieces_).subspan(begin, row_ends_[i] - begin);
  }
  // Row i's text (0-based), without the CR LF and "<tr>" before it.
  text::Text RowText(size_t i) const;
  // The rows as one string: CR LF, "<tr>", row text, for every row.
  text::Text strRows() const;

  // The piece's text: in the markup as given, or its joined text.
  text::TextView TextOf(const Piece& piece) const {
    if (piece.joined) return joined_[piece.begin].working;
    return markup_.substr(piece.begin, piece.length);
  }
  // Appends the piece as the working text has it (lowercased).
  void AppendWorking(const Piece& piece, text::Text& out) const;
  // The piece's text is lowercased already (it is the working text's own).
  bool Lowered(const Piece& piece) const { return piece.joined || lowered_; }
  // The piece before lowercasing (kept only when IsolateRowsOf was asked to).
  text::TextView Original(const Piece& piece) const {
    if (piece.joined) return joined_[piece.begin].original;
    if (!lowered_) return TextOf(piece);
    return text::TextView(own_original_).substr(piece.begin, piece.length);
  }

  // The highest column index of every rebuilt row.
  int16_t colBound = 0;
  // The budget of the whole conversion, set from the markup's length.
  WorkBudget budget;

 private:
  friend Status IsolateRowsOf(text::TextView, bool, Progress&, IsolatedRows*);
  friend Status IsolateRowsWith(text::TextView, bool, bool, Progress&, IsolatedRows*);
  friend Status IsolateRows(text::TextView, Progress&, IsolatedRows*);
  text::TextView markup_;    // what the pieces point into
  bool lowered_ = false;     // markup_ is the working text itself
  text::Text own_;           // markup_'s text, when it is not the caller's
  text::Text own_original_;  // the working text before lowercasing, with lowered_
  text::Text copy_;          // the markup IsolateRows was given
  std::deque<Joined> joined_;
  std::vector<Piece> pieces_;     // every row's, one row after the other
  std::vector<size_t> row_ends_;  // where each row's pieces end
};

// The first pass. Fails when the markup holds more than kMaxMarkupUnits
// units or no row, when the first row
// gives a colBound below 0 or beyond 16 bits, or when the column spans expand
// to more cells than the budget allows.
Status IsolateRows(text::TextView strTable, Progress& progress, IsolatedRows* out);
// The same over `strTable` as it stands, which must outlive `out`; with
// `keep_originals`, each piece's text before lowercasing stays at hand.
Status IsolateRowsOf(text::TextView strTable, bool keep_originals, Progress& progress,
                     IsolatedRows* out);
// IsolateRowsOf, reading the working text written out when `written_out`.
Status IsolateRowsWith(text::TextView strTable, bool keep_originals, bool written_out,
                       Progress& progress, IsolatedRows* out);

}  // namespace quillmere
