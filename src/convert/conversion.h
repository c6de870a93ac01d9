// The conversion command's text work: one table's markup in, rows of equal
// width holding plain cell texts out.
//
// First pass (IsolateRows): the markup is lowercased, table/head/row-end tags
// are dropped, every row becomes a row text of cell pieces each closed by
// "</td>", a cell spanning n columns standing n times; the first row's width
// gives colBound. Second pass (inside ConvertTable): every row is rebuilt to
// colBound + 1 cells, columns covered by a row-spanning cell of an earlier row
// taking a copy of it, and each cell's text goes to the TableSink.
//
// The lowercased, rewritten markup (the working text) is never written out
// whole: the first pass reads it through the markup itself, recording where
// tags are dropped and rows begin, and each rebuilt row lowercases the pieces
// it takes. A page thus costs its own size in memory, not twice that.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "convert/table_sink.h"
#include "convert/ustring.h"
#include "platform/status.h"

namespace quillmere {

// Bounds that keep a hostile page from making the conversion allocate without
// limit: a column span counts at most this many columns, a row span at most
// this many rows (the limits browsers apply).
inline constexpr int64_t kMaxColumnSpan = 1000;
inline constexpr int64_t kMaxRowSpan = 65534;

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

// What a cell's text is.
enum class CellTexts {
  // The conversion's own: lowercased, without blanks or line breaks,
  // character references as written (cell_text::FromMarkup).
  kConverted,
  // As a person reads the cell: case kept, references decoded, white space
  // folded (cell_text::ReadableFromMarkup). The grid is the same: rows,
  // columns and carried cells are found in the lowercased markup as ever.
  kKept,
};

// The rows the first pass isolates. A row's text is its kept cell pieces,
// each followed by "</td>" as often as it stands in the row (n times for a
// piece spanning n columns). The pieces point into the markup (and are
// lowercased when used), so no row text is copied; only a piece that a
// dropped tag cut into two is joined into a text of its own.
class IsolatedRows {
 public:
  struct Piece {
    text::TextView text;  // in the markup as given, or its joined text
    int32_t copies = 1;
    uint32_t joined : 31 = 0;  // 1 + the index of its joined text, or 0
    // The text holds "colspan" or "rowspan" (in any case): without either,
    // the cell it becomes has no span attribute to look for.
    uint32_t mentions_span : 1 = 0;
  };
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

  // Appends the piece as the working text has it (lowercased).
  void AppendWorking(const Piece& piece, text::Text& out) const;
  // The piece's text is lowercased already (it is the working text's own).
  bool Lowered(const Piece& piece) const { return piece.joined != 0 || lowered_; }
  // The piece before lowercasing (kept only when IsolateRowsOf was asked to).
  text::TextView Original(const Piece& piece) const;

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

// The first pass. Fails when the markup holds no row, when the first row
// gives a colBound below 0 or beyond 16 bits, or when the column spans expand
// to more cells than the budget allows.
Status IsolateRows(text::TextView strTable, Progress& progress, IsolatedRows* out);
// The same over `strTable` as it stands, which must outlive `out`; with
// `keep_originals`, each piece's text before lowercasing stays at hand.
Status IsolateRowsOf(text::TextView strTable, bool keep_originals, Progress& progress,
                     IsolatedRows* out);

// The whole conversion: the first pass, then every row rebuilt and handed to
// `sink` cell by cell and ended, then sink.Finish(). Stops at the first
// failure of the sink or of progress.Yield() and returns it. A table whose
// rows times columns exceed the cell budget stops before any cell is handed
// on; one whose carried cells make the rebuilt rows exceed the character
// budget stops at the row where they would.
Status ConvertTable(text::TextView strTable, TableSink& sink, Progress& progress,
                    CellTexts texts = CellTexts::kConverted);

namespace conversion_detail {

// `strTable` lowercased, without "</table>", "</tr>", "</thead>", "<thead>".
text::Text WorkingText(text::TextView strTable);

// ConvertTable over the working text written out whole, the way it runs
// when removing a tag would join text into a tag: what reading the working
// text through the markup must agree with.
Status ConvertWrittenOut(text::TextView strTable, TableSink& sink, Progress& progress,
                         CellTexts texts = CellTexts::kConverted);

}  // namespace conversion_detail
}  // namespace quillmere
