#include "convert/row_isolation.h"

#include <algorithm>
#include <limits>

#include "convert/markup_search.h"
#include "convert/span_attributes.h"
#include "convert/working_view.h"
#include "platform/translation.h"

namespace quillmere {

using conversion_detail::ColumnSpan;
using conversion_detail::kCellEnd;
using conversion_detail::kCrLf;
using conversion_detail::MentionsSpan;
using conversion_detail::OneBasedPosition;
using conversion_detail::Range;
using conversion_detail::WorkingView;
using text::Text;
using text::TextView;

namespace {

constexpr TextView kBareRowTag = u"<tr>";
constexpr TextView kRowStart = u"<tr ";
constexpr TextView kCellStart = u"<td ";

// Rewrites every "<tr " start tag, with everything up to the next "<td ",
// into a bare "<tr>", yielding and showing the position of the next one after
// each rewrite. The rewrite is recorded, not written: each cut stretch
// [tag, cut end) of the markup becomes a row separator. The text before a
// rewritten tag never holds another "<tr ", so the next one to rewrite is the
// next one in the rest of the text, and its position in the rewritten text
// is known.
Status RewriteRowTags(const WorkingView& view, Progress& progress, std::vector<Range>* cuts) {
  size_t td_hint = 0, gt_hint = 0;
  size_t tr = view.FindRowTag(false, 0);
  size_t cut_so_far = 0;  // working characters the cuts took, less their "<tr>"s
  size_t no_cell_start_from = TextView::npos;  // no "<td " stands from here on
  while (tr != TextView::npos) {
    // Where the cut ends: at the next cell tag with attributes or, when none
    // follows, just after the row tag's own ">".
    const size_t after_tag = tr + kRowStart.size();
    size_t td = after_tag >= no_cell_start_from ? TextView::npos
                                                : view.Find(kCellStart, after_tag, &td_hint);
    if (td == TextView::npos) no_cell_start_from = std::min(no_cell_start_from, after_tag);
    size_t gt = td == TextView::npos ? view.Find(u">", after_tag, &gt_hint) : TextView::npos;
    size_t cut_end = td != TextView::npos ? td : gt != TextView::npos ? gt + 1 : view.size();
    size_t next_tr = view.FindRowTag(false, cut_end);
    cuts->push_back({tr, cut_end});
    cut_so_far += view.WorkingIndex(cut_end) - view.WorkingIndex(tr) - kBareRowTag.size();
    tr = next_tr;

    // Where the next row tag now stands in the rewritten text.
    const size_t next_index =
        tr == TextView::npos ? TextView::npos : view.WorkingIndex(tr) - cut_so_far;
    const auto pos = static_cast<int64_t>(OneBasedPosition(next_index));
    QM_RETURN_IF_ERROR(progress.Yield());
    progress.ShowStatus(u"正在处理tr标签" + text::FromNumber(pos));
  }
  return Status();
}

// The rows of the rewritten text: the stretches between its "<tr>"s (the
// cuts, and bare "<tr>"s outside them), the one before the first left out.
std::vector<Range> RowRanges(const WorkingView& view, const std::vector<Range>& cuts) {
  std::vector<Range> rows;
  size_t row_begin = TextView::npos;
  auto separator = [&](Range at) {
    if (row_begin != TextView::npos) rows.push_back({row_begin, at.begin});
    row_begin = at.end;
  };
  size_t bare = view.FindRowTag(true, 0);
  for (const Range& cut : cuts) {
    for (; bare < cut.begin; bare = view.FindRowTag(true, bare + 1)) {
      separator({bare, bare + kBareRowTag.size()});
    }
    separator(cut);
    if (bare < cut.end) bare = view.FindRowTag(true, cut.end);
  }
  for (; bare != TextView::npos; bare = view.FindRowTag(true, bare + 1)) {
    separator({bare, bare + kBareRowTag.size()});
  }
  if (row_begin != TextView::npos) rows.push_back({row_begin, view.size()});
  return rows;
}

// Room for the pieces of every row, as many as the first row's (and one
// more) in each: a table's rows are mostly alike, and the pieces then never
// move as they grow. Never more than the markup could hold (every piece
// but a row's last ends at a "</td>").
void ReservePieces(std::vector<IsolatedRows::Piece>& pieces, size_t rows, size_t markup_size) {
  const size_t most = markup_size / kCellEnd.size() + rows;
  pieces.reserve(std::min(most, rows * (pieces.size() + 1)));
}

Status OverCellBudget(int64_t cells) {
  return Status(ErrorNumber::kMarkupTooLarge,
                Fill(Tr("The table's spans expand to more than %s cells, more than this program "
                        "converts for a table of its size."),
                     cells));
}

// colBound from the first row. Row 1 of strRows splits at "</td>" into a
// piece for every copy of a kept piece, then the remainder after its last
// "</td>" (the CR LF before row 2, or nothing when it is the only row; an
// empty text splits into no pieces). colBound is that list's highest index
// less the two pieces that stand for no column: the whitespace piece and the
// remainder. The whitespace piece is the row's last piece, what follows its
// last "</td>" (the line break before the next row); a row that has none,
// its last "</td>" followed by nothing but blanks (markup written on one
// line), would lose its last column to that count, so one column is given
// back for it.
Status DeriveColumnBound(IsolatedRows::Row first_row, bool more_rows, bool has_whitespace_piece,
                         int16_t* colBound) {
  constexpr int64_t kPiecesAfterTheLastColumn = 2;
  constexpr int64_t kMaxColumnBound = std::numeric_limits<int16_t>::max();
  int64_t pieces = 0;
  for (const IsolatedRows::Piece& piece : first_row) pieces += piece.copies;
  if (pieces > 0 || more_rows) ++pieces;  // the remainder
  const int64_t highest_index = pieces - 1;
  const int64_t bound = highest_index - kPiecesAfterTheLastColumn + (has_whitespace_piece ? 0 : 1);
  if (bound < 0) {
    return Status(ErrorNumber::kNoColumns,
                  Tr("The table's first row has no cell that could become a column."));
  }
  if (bound > kMaxColumnBound) {
    return Status(ErrorNumber::kTooManyColumns,
                  Fill(Tr("The table's first row has %1$s columns; at most %2$s can be converted."),
                       bound + 1, kMaxColumnBound + 1));
  }
  *colBound = static_cast<int16_t>(bound);
  return Status();
}

}  // namespace

void IsolatedRows::AppendWorking(const Piece& piece, Text& out) const {
  if (Lowered(piece)) {
    out.append(TextOf(piece));
  } else {
    text::AppendLowercase(out, TextOf(piece));
  }
}

Text IsolatedRows::RowText(size_t i) const {
  Text text;
  for (const Piece& piece : row(i)) {
    for (int64_t c = 0; c < piece.copies; ++c) {
      AppendWorking(piece, text);
      text.append(kCellEnd);
    }
  }
  return text;
}

Text IsolatedRows::strRows() const {
  Text all;
  for (size_t i = 0; i < size(); ++i) {
    all.append(kCrLf).append(kBareRowTag).append(RowText(i));
  }
  return all;
}

namespace {

// The first pass's reading of one row: its cell pieces, split at the working
// text's "</td>"s, each kept unless it is made of blanks, a piece spanning n
// columns standing n times. Yields once for every extra copy, and takes
// every copy from `cells_left`.
class RowReader {
 public:
  RowReader(const WorkingView& view, bool keep_originals, const WorkBudget& budget,
            std::deque<IsolatedRows::Joined>* joined)
      : view_(view), keep_originals_(keep_originals), budget_(budget), joined_(joined) {}

  // `*last_piece_kept` says whether the piece after the row's last "</td>"
  // (its whitespace piece, or a cell left unclosed) was kept.
  Status Read(Range row_range, Progress& progress, int64_t* cells_left,
              std::vector<IsolatedRows::Piece>* row, bool* last_piece_kept) {
    *last_piece_kept = false;
    // An empty row text splits into no pieces.
    if (view_.WorkingIndex(row_range.end) == view_.WorkingIndex(row_range.begin)) return Status();
    size_t hint = view_.HintFor(row_range.begin);
    for (size_t from = row_range.begin;;) {
      const size_t end = view_.Find(kCellEnd, from, row_range.end, &hint);
      const size_t kept_before = row->size();
      QM_RETURN_IF_ERROR(
          Keep({from, end == TextView::npos ? row_range.end : end}, progress, cells_left, row));
      if (end == TextView::npos) {
        *last_piece_kept = row->size() > kept_before;
        return Status();
      }
      from = end + kCellEnd.size();
    }
  }

 private:
  Status Keep(Range range, Progress& progress, int64_t* cells_left,
              std::vector<IsolatedRows::Piece>* row) {
    IsolatedRows::Piece piece{static_cast<uint32_t>(range.begin),
                              static_cast<uint32_t>(range.end - range.begin)};
    TextView text = view_.markup().substr(range.begin, range.end - range.begin);
    const auto [first, last] = view_.RemovedIn(range.begin, range.end);
    if (first != last) {
      piece = Join(range, first, last);
      text = joined_->back().working;
    }
    piece.mentions_span = MentionsSpan(text);
    const int64_t kept = text::TrimSpaces(text).empty() ? 0 : 1;
    const int64_t span =
        piece.mentions_span ? ColumnSpan(text, view_.lowered() || piece.joined) : 1;
    const int64_t extra_copies = std::max<int64_t>(span - 1, 0);
    const int64_t copies = kept + extra_copies;
    if (copies > *cells_left) return OverCellBudget(budget_.cells);
    *cells_left -= copies;
    for (int64_t copy = 0; copy < extra_copies; ++copy) QM_RETURN_IF_ERROR(progress.Yield());
    piece.copies = static_cast<uint16_t>(copies);
    if (copies > 0) row->push_back(piece);
    return Status();
  }

  // The piece in `range` without the removed stretches [first, last), as a
  // text of its own. Each stretch between them is lowercased on its own, as
  // the whole markup was lowercased before the tags were removed.
  IsolatedRows::Piece Join(Range range, const Range* first, const Range* last) {
    IsolatedRows::Joined& joined = joined_->emplace_back();
    size_t at = range.begin;
    auto take = [&](size_t end) {
      const TextView stretch = view_.markup().substr(at, end - at);
      if (view_.lowered()) {
        joined.working.append(stretch);
      } else {
        text::AppendLowercase(joined.working, stretch);
      }
      if (keep_originals_) joined.original.append(stretch);
    };
    for (const Range* removed = first; removed != last; ++removed) {
      take(removed->begin);
      at = removed->end;
    }
    take(range.end);
    IsolatedRows::Piece piece{static_cast<uint32_t>(joined_->size() - 1), 0};
    piece.joined = 1;
    return piece;
  }

  const WorkingView& view_;
  const bool keep_originals_;
  const WorkBudget& budget_;
  std::deque<IsolatedRows::Joined>* joined_;
};

}  // namespace

Status IsolateRowsWith(TextView strTable, bool keep_originals, bool written_out, Progress& progress,
                       IsolatedRows* out) {
  if (strTable.size() > kMaxMarkupUnits) {
    return Status(ErrorNumber::kMarkupTooLarge,
                  Fill(Tr("The table's markup holds %1$s characters; at most %2$s are converted."),
                       strTable.size(), kMaxMarkupUnits));
  }
  out->budget = WorkBudget::For(strTable.size());
  std::vector<Range> removed;
  conversion_detail::RowTags row_tags;
  out->markup_ = strTable;
  out->lowered_ = written_out || !conversion_detail::FindRemovedTags(strTable, &removed, &row_tags);
  if (out->lowered_) {
    // A removal joins text into what may be a tag: write the working text
    // out (with the same removals made in the markup, when it is kept).
    removed.clear();
    conversion_detail::WriteWorkingTextOut(strTable, &out->own_,
                                           keep_originals ? &out->own_original_ : nullptr);
    out->markup_ = out->own_;
    row_tags = conversion_detail::FindRowTags(out->markup_);
  }
  const WorkingView view(out->markup_, out->lowered_, std::move(removed), std::move(row_tags));

  std::vector<Range> cuts;
  QM_RETURN_IF_ERROR(RewriteRowTags(view, progress, &cuts));
  const std::vector<Range> rows = RowRanges(view, cuts);
  RowReader reader(view, keep_originals, out->budget, &out->joined_);
  int64_t cells_left = out->budget.cells;
  out->row_ends_.reserve(rows.size());
  bool first_row_has_whitespace_piece = false;
  for (size_t i = 0; i < rows.size(); ++i) {
    progress.ShowStatus(text::FromNumber(static_cast<int64_t>(i + 1)));
    QM_RETURN_IF_ERROR(progress.Yield());
    bool last_piece_kept = false;
    QM_RETURN_IF_ERROR(
        reader.Read(rows[i], progress, &cells_left, &out->pieces_, &last_piece_kept));
    out->row_ends_.push_back(out->pieces_.size());
    if (i == 0) {
      first_row_has_whitespace_piece = last_piece_kept;
      ReservePieces(out->pieces_, rows.size(), view.size());
    }
    QM_RETURN_IF_ERROR(progress.Yield());
  }
  if (out->row_ends_.empty()) {
    return Status(ErrorNumber::kNoRows, Tr("The table holds no row (no \"<tr\" tag was found)."));
  }
  return DeriveColumnBound(out->row(0), out->size() > 1, first_row_has_whitespace_piece,
                           &out->colBound);
}

Status IsolateRowsOf(TextView strTable, bool keep_originals, Progress& progress,
                     IsolatedRows* out) {
  return IsolateRowsWith(strTable, keep_originals, false, progress, out);
}

Status IsolateRows(TextView strTable, Progress& progress, IsolatedRows* out) {
  out->copy_.assign(strTable);
  return IsolateRowsOf(out->copy_, false, progress, out);
}

}  // namespace quillmere
