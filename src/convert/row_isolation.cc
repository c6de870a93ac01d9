#include "convert/conversion.h"

#include <algorithm>
#include <limits>

#include "convert/nohtml.h"
#include "platform/translation.h"

namespace quillmere {

using text::Text;
using text::TextView;

namespace {

constexpr TextView kCrLf = u"\r\n";
constexpr TextView kBareRowTag = u"<tr>";
constexpr TextView kRowStart = u"<tr ";
constexpr TextView kCellStart = u"<td ";
constexpr TextView kCellEnd = u"</td>";
constexpr TextView kEmptyCell = u"<td>&nbsp;";

// The tags the working text loses, in the order they are removed.
constexpr TextView kRemovedTags[] = {u"</table>", u"</tr>", u"</thead>", u"<thead>"};
constexpr size_t kLongestRemovedTag = [] {
  size_t longest = 0;
  for (TextView tag : kRemovedTags) longest = std::max(longest, tag.size());
  return longest;
}();

// The span-attribute rules and the row-tag progress text count positions in
// a string from 1, with 0 for "not found". These searches do the same; all
// other code here uses text::'s 0-based indexes.
constexpr size_t kNotFound = 0;

size_t OneBasedPosition(size_t index) { return index == TextView::npos ? kNotFound : index + 1; }

// Position of the first `unit` at or after position `start` (>= 1).
size_t OneBasedFind(TextView haystack, char16_t unit, size_t start) {
  return OneBasedPosition(text::IndexOf(haystack, unit, start - 1));
}

// Position of the first `needle`, compared without regard to case.
size_t OneBasedFindNoCase(TextView haystack, TextView needle) {
  return OneBasedPosition(text::IndexOfNoCase(haystack, needle));
}

// True when an unclosed "<" stands among the last kLongestRemovedTag
// characters before `end`: text after `end` could then complete a tag with it.
bool UnclosedTagBefore(TextView s, size_t end) {
  for (size_t i = end; i > 0 && end - i < kLongestRemovedTag; --i) {
    if (s[i - 1] == u'>') return false;
    if (s[i - 1] == u'<') return true;
  }
  return false;
}

// `s` starts with `token`, whose letters are lowercase ASCII, in any case.
// The tokens the passes look for hold no "i" or "k", the only lowercase ASCII
// letters another letter (U+0130, the Kelvin sign) lowers into, so comparing
// ASCII letters without case finds them exactly where the lowercased text
// has them.
bool StartsWithNoCase(TextView s, TextView token) {
  if (s.size() < token.size()) return false;
  for (size_t k = 0; k < token.size(); ++k) {
    const char16_t c = s[k], t = token[k];
    if (c != t && !(t >= u'a' && t <= u'z' && c == t - (u'a' - u'A'))) return false;
  }
  return true;
}

}  // namespace

namespace conversion_detail {

namespace {

// One sweep over `working` removing the four tags. Returns false when a
// removal joins text around its gap into something that may be a tag.
bool RemoveTableTagsInOneSweep(Text& working) {
  size_t read = 0, write = 0;
  for (size_t lt = text::IndexOf(working, u'<'); lt != Text::npos;
       lt = text::IndexOf(working, u'<', lt + 1)) {
    const TextView rest = TextView(working).substr(lt);
    const TextView* tag = std::find_if(std::begin(kRemovedTags), std::end(kRemovedTags),
                                       [&](TextView t) { return rest.substr(0, t.size()) == t; });
    if (tag == std::end(kRemovedTags)) continue;
    std::copy(working.begin() + read, working.begin() + lt, working.begin() + write);
    write += lt - read;
    read = lt + tag->size();
    lt = read - 1;
    if (UnclosedTagBefore(working, write)) return false;
  }
  std::copy(working.begin() + read, working.end(), working.begin() + write);
  working.resize(write + (working.size() - read));
  return true;
}

}  // namespace

Text WorkingText(TextView strTable) {
  Text working = text::Lowercase(strTable);
  if (RemoveTableTagsInOneSweep(working)) return working;
  // The tags cannot overlap (each holds one "<" and they differ right after
  // it), so the sweep removes what four replace-alls in a row remove, unless
  // a removal joins the text around its gap into a later tag. Then run them.
  working = text::Lowercase(strTable);
  for (TextView tag : kRemovedTags) text::ReplaceAllInPlace(working, tag, u"");
  return working;
}

}  // namespace conversion_detail

namespace {

// A stretch [begin, end) of the markup.
struct Range {
  size_t begin = 0;
  size_t end = 0;
};

// Every occurrence of `what` in `s` removed, left to right; with `parallel`
// (a text of the same length), the same stretches removed from it too.
void RemoveAll(Text& s, TextView what, Text* parallel) {
  size_t read = 0, write = 0;
  for (size_t at = text::IndexOf(s, what); !what.empty() && at != Text::npos;
       at = text::IndexOf(s, what, read)) {
    std::copy(s.begin() + read, s.begin() + at, s.begin() + write);
    if (parallel)
      std::copy(parallel->begin() + read, parallel->begin() + at, parallel->begin() + write);
    write += at - read;
    read = at + what.size();
  }
  std::copy(s.begin() + read, s.end(), s.begin() + write);
  s.resize(write + (s.size() - read));
  if (parallel) {
    std::copy(parallel->begin() + read, parallel->end(), parallel->begin() + write);
    parallel->resize(s.size());
  }
}

// The working text read through the markup: the markup lowercased, less the
// removed tags. Searches run over the markup, skipping what was removed.
// (When `lowered`, the markup is the working text itself, removals made.)
class WorkingView {
 public:
  WorkingView(TextView markup, bool lowered, std::vector<Range> removed)
      : markup_(markup), lowered_(lowered), removed_(std::move(removed)) {
    size_t before = 0;
    for (const Range& r : removed_) {
      removed_before_.push_back(before);
      before += r.end - r.begin;
    }
  }

  TextView markup() const { return markup_; }
  size_t size() const { return markup_.size(); }
  bool lowered() const { return lowered_; }

  // The markup index of the first `token` of the working text at or after
  // markup index `from` (and ending by `end`), or npos. `hint` (see HintFor)
  // makes a sweep of ascending searches linear.
  size_t Find(TextView token, size_t from, size_t end, size_t* hint) const {
    const TextView within = markup_.substr(0, end);
    for (size_t i = text::IndexOf(within, token[0], from); i != TextView::npos;
         i = text::IndexOf(within, token[0], i + 1)) {
      const Range* removed = RemovedAt(i, hint);
      if (removed != nullptr) {
        i = removed->end - 1;
      } else if (StartsWithNoCase(within.substr(i), token)) {
        return i;
      }
    }
    return TextView::npos;
  }
  size_t Find(TextView token, size_t from, size_t* hint) const {
    return Find(token, from, size(), hint);
  }

  // The index of the first removed stretch that ends after `index`.
  size_t HintFor(size_t index) const {
    return static_cast<size_t>(
        std::upper_bound(removed_.begin(), removed_.end(), index,
                         [](size_t at, const Range& r) { return at < r.end; }) -
        removed_.begin());
  }

  // Where markup index `index` stands in the working text.
  size_t WorkingIndex(size_t index) const {
    auto after = std::upper_bound(removed_.begin(), removed_.end(), index,
                                  [](size_t i, const Range& r) { return i < r.begin; });
    if (after == removed_.begin()) return index;
    const size_t k = static_cast<size_t>(after - removed_.begin()) - 1;
    return index - removed_before_[k] - (std::min(index, removed_[k].end) - removed_[k].begin);
  }

  // The removed stretches inside [begin, end), in order.
  std::pair<const Range*, const Range*> RemovedIn(size_t begin, size_t end) const {
    auto first = std::lower_bound(removed_.begin(), removed_.end(), begin,
                                  [](const Range& r, size_t i) { return r.begin < i; });
    auto last = std::lower_bound(first, removed_.end(), end,
                                 [](const Range& r, size_t i) { return r.begin < i; });
    return {removed_.data() + (first - removed_.begin()),
            removed_.data() + (last - removed_.begin())};
  }

 private:
  // The removed stretch holding markup index `i`, or nullptr.
  const Range* RemovedAt(size_t i, size_t* hint) const {
    size_t& k = *hint;
    if (k > removed_.size() || (k > 0 && removed_[k - 1].end > i)) k = HintFor(i);
    while (k < removed_.size() && removed_[k].end <= i) ++k;
    return k < removed_.size() && removed_[k].begin <= i ? &removed_[k] : nullptr;
  }

  TextView markup_;
  bool lowered_;
  std::vector<Range> removed_;
  std::vector<size_t> removed_before_;  // characters removed before each stretch
};

// The stretches of the markup the working text loses: "</table>", "</tr>",
// "</thead>", "<thead>" in any case. False when removing one would join the
// text around it into something that may be a tag (an unclosed "<" just
// before it), which only the working text written out shows right.
bool FindRemovedTags(TextView markup, std::vector<Range>* removed) {
  for (size_t lt = text::IndexOf(markup, u'<'); lt != TextView::npos;
       lt = text::IndexOf(markup, u'<', lt + 1)) {
    const TextView rest = markup.substr(lt);
    const TextView* tag = std::find_if(std::begin(kRemovedTags), std::end(kRemovedTags),
                                       [&](TextView t) { return StartsWithNoCase(rest, t); });
    if (tag == std::end(kRemovedTags)) continue;
    // Looking back over the markup rather than the working text is enough:
    // a removed tag ends in ">", and the first of a run of removals that
    // would make a tag has the "<" right before it.
    if (UnclosedTagBefore(markup, lt)) return false;
    removed->push_back({lt, lt + tag->size()});
    lt += tag->size() - 1;
  }
  return true;
}

// The span value of `attribute` ("colspan=2", "rowspan='3'" ...) once the
// attribute name, "=" and quotes are gone; 1 when it does not convert.
int64_t SpanValue(TextView attribute, TextView name) {
  Text value = text::ReplaceAll(attribute, name, u"");
  text::ReplaceAllInPlace(value, u"=", u"");
  text::ReplaceAllInPlace(value, u"\"", u"");
  std::optional<int64_t> n = text::ToWholeNumber(value);
  if (!n) {
    text::ReplaceAllInPlace(value, u"'", u"");
    n = text::ToWholeNumber(value);
  }
  return n.value_or(1);
}

// Rewrites every "<tr " start tag, with everything up to the next "<td ",
// into a bare "<tr>", yielding and showing the position of the next one after
// each rewrite. The rewrite is recorded, not written: each cut stretch
// [tag, cut end) of the markup becomes a row separator. The text before a
// rewritten tag never holds another "<tr ", so the next one to rewrite is the
// next one in the rest of the text, and its position in the rewritten text
// is known.
Status RewriteRowTags(const WorkingView& view, Progress& progress, std::vector<Range>* cuts) {
  size_t tr_hint = 0, td_hint = 0, gt_hint = 0;
  size_t tr = view.Find(kRowStart, 0, &tr_hint);
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
    size_t next_tr = view.Find(kRowStart, cut_end, &tr_hint);
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
  size_t hint = 0, row_begin = TextView::npos;
  auto separator = [&](Range at) {
    if (row_begin != TextView::npos) rows.push_back({row_begin, at.begin});
    row_begin = at.end;
  };
  size_t bare = view.Find(kBareRowTag, 0, &hint);
  for (const Range& cut : cuts) {
    for (; bare < cut.begin; bare = view.Find(kBareRowTag, bare + 1, &hint)) {
      separator({bare, bare + kBareRowTag.size()});
    }
    separator(cut);
    if (bare < cut.end) bare = view.Find(kBareRowTag, cut.end, &hint);
  }
  for (; bare != TextView::npos; bare = view.Find(kBareRowTag, bare + 1, &hint)) {
    separator({bare, bare + kBareRowTag.size()});
  }
  if (row_begin != TextView::npos) rows.push_back({row_begin, view.size()});
  return rows;
}

// The end of the span attribute starting at position `p`: the nearer of the
// next blank and the next ">"; kNotFound when there is no ">", or when a
// blank follows but no ">" does.
size_t AttributeEnd(TextView markup, size_t p) {
  const size_t sp = OneBasedFind(markup, u' ', p);
  const size_t gt = OneBasedFind(markup, u'>', p);
  if (sp == kNotFound) return gt;
  if (gt == kNotFound) return kNotFound;
  return std::min(sp, gt);
}

// The attribute that starts where `name` is found (without regard to case),
// up to the nearer blank or ">"; empty when there is none.
TextView SpanAttribute(TextView markup, TextView name) {
  const size_t p = OneBasedFindNoCase(markup, name);
  if (p == kNotFound) return TextView();
  const size_t e = AttributeEnd(markup, p);
  if (e == kNotFound) return TextView();
  return markup.substr(p - 1, e - p);  // the e - p characters from position p on
}

// Whether "colspan" or "rowspan" stands in `s`, in any case (as
// IndexOfNoCase finds them: no letter but ASCII ones lowers into these).
bool MentionsSpan(TextView s) {
  for (size_t i = text::IndexOfEither(s, u's', u'S', 3); i != TextView::npos;
       i = text::IndexOfEither(s, u's', u'S', i + 1)) {
    const TextView word = s.substr(i - 3);
    if (StartsWithNoCase(word.substr(3), u"span") &&
        (StartsWithNoCase(word, u"col") || StartsWithNoCase(word, u"row"))) {
      return true;
    }
  }
  return false;
}

// How many columns a piece stands for: its "colspan" value, capped at
// kMaxColumnSpan; 1 when it has no such attribute. A piece not yet
// lowercased has its attribute lowercased first.
int64_t ColumnSpan(TextView piece, bool lowered) {
  const TextView colspan = SpanAttribute(piece, u"colspan");
  if (colspan.empty()) return 1;
  return std::min(SpanValue(lowered ? Text(colspan) : text::Lowercase(colspan), u"colspan"),
                  kMaxColumnSpan);
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
// remainder. A first row without a whitespace piece thus gives one column
// fewer than it has.
Status DeriveColumnBound(IsolatedRows::Row first_row, bool more_rows, int16_t* colBound) {
  constexpr int64_t kPiecesAfterTheLastColumn = 2;
  constexpr int64_t kMaxColumnBound = std::numeric_limits<int16_t>::max();
  int64_t pieces = 0;
  for (const IsolatedRows::Piece& piece : first_row) pieces += piece.copies;
  if (pieces > 0 || more_rows) ++pieces;  // the remainder
  const int64_t highest_index = pieces - 1;
  const int64_t bound = highest_index - kPiecesAfterTheLastColumn;
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
    out.append(piece.text);
  } else {
    text::AppendLowercase(out, piece.text);
  }
}

TextView IsolatedRows::Original(const Piece& piece) const {
  if (piece.joined != 0) return joined_[piece.joined - 1].original;
  if (!lowered_) return piece.text;
  return TextView(own_original_).substr(piece.text.data() - markup_.data(), piece.text.size());
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

  Status Read(Range row_range, Progress& progress, int64_t* cells_left,
              std::vector<IsolatedRows::Piece>* row) {
    // An empty row text splits into no pieces.
    if (view_.WorkingIndex(row_range.end) == view_.WorkingIndex(row_range.begin)) return Status();
    size_t hint = view_.HintFor(row_range.begin);
    for (size_t from = row_range.begin;;) {
      const size_t end = view_.Find(kCellEnd, from, row_range.end, &hint);
      QM_RETURN_IF_ERROR(
          Keep({from, end == TextView::npos ? row_range.end : end}, progress, cells_left, row));
      if (end == TextView::npos) return Status();
      from = end + kCellEnd.size();
    }
  }

 private:
  Status Keep(Range range, Progress& progress, int64_t* cells_left,
              std::vector<IsolatedRows::Piece>* row) {
    IsolatedRows::Piece piece{view_.markup().substr(range.begin, range.end - range.begin)};
    const auto [first, last] = view_.RemovedIn(range.begin, range.end);
    if (first != last) piece = Join(range, first, last);
    const TextView text = piece.text;
    piece.mentions_span = MentionsSpan(text);
    const int64_t kept = text::TrimSpaces(text).empty() ? 0 : 1;
    const int64_t span =
        piece.mentions_span ? ColumnSpan(text, view_.lowered() || piece.joined) : 1;
    const int64_t extra_copies = std::max<int64_t>(span - 1, 0);
    const int64_t copies = kept + extra_copies;
    if (copies > *cells_left) return OverCellBudget(budget_.cells);
    *cells_left -= copies;
    for (int64_t copy = 0; copy < extra_copies; ++copy) QM_RETURN_IF_ERROR(progress.Yield());
    piece.copies = static_cast<int32_t>(copies);
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
    IsolatedRows::Piece piece{joined.working};
    piece.joined = static_cast<uint32_t>(joined_->size());
    return piece;
  }

  const WorkingView& view_;
  const bool keep_originals_;
  const WorkBudget& budget_;
  std::deque<IsolatedRows::Joined>* joined_;
};

}  // namespace

// IsolateRowsOf, reading the working text written out when `written_out`.
Status IsolateRowsWith(TextView strTable, bool keep_originals, bool written_out, Progress& progress,
                       IsolatedRows* out) {
  out->budget = WorkBudget::For(strTable.size());
  std::vector<Range> removed;
  out->markup_ = strTable;
  out->lowered_ = written_out || !FindRemovedTags(strTable, &removed);
  if (out->lowered_) {
    // A removal joins text into what may be a tag: write the working text
    // out (with the same removals made in the markup, when it is kept).
    removed.clear();
    if (keep_originals) {
      out->own_ = text::Lowercase(strTable);
      out->own_original_.assign(strTable);
      for (TextView tag : kRemovedTags) RemoveAll(out->own_, tag, &out->own_original_);
    } else {
      out->own_ = conversion_detail::WorkingText(strTable);
    }
    out->markup_ = out->own_;
  }
  const WorkingView view(out->markup_, out->lowered_, std::move(removed));

  std::vector<Range> cuts;
  QM_RETURN_IF_ERROR(RewriteRowTags(view, progress, &cuts));
  const std::vector<Range> rows = RowRanges(view, cuts);
  RowReader reader(view, keep_originals, out->budget, &out->joined_);
  int64_t cells_left = out->budget.cells;
  for (size_t i = 0; i < rows.size(); ++i) {
    progress.ShowStatus(text::FromNumber(static_cast<int64_t>(i + 1)));
    QM_RETURN_IF_ERROR(progress.Yield());
    QM_RETURN_IF_ERROR(reader.Read(rows[i], progress, &cells_left, &out->pieces_));
    out->row_ends_.push_back(out->pieces_.size());
    QM_RETURN_IF_ERROR(progress.Yield());
  }
  if (out->row_ends_.empty()) {
    return Status(ErrorNumber::kNoRows, Tr("The table holds no row (no \"<tr\" tag was found)."));
  }
  return DeriveColumnBound(out->row(0), out->size() > 1, &out->colBound);
}

Status IsolateRowsOf(TextView strTable, bool keep_originals, Progress& progress,
                     IsolatedRows* out) {
  return IsolateRowsWith(strTable, keep_originals, false, progress, out);
}

Status IsolateRows(TextView strTable, Progress& progress, IsolatedRows* out) {
  out->copy_.assign(strTable);
  return IsolateRowsOf(out->copy_, false, progress, out);
}

namespace {

// The row-span entries of the running conversion, by column. A column keeps
// its entries in the order they were added; the newest one still covering
// the current row is the one a row receives, and entries whose last row has
// passed are dropped as they come to the top.
class SpanList {
 public:
  struct Entry {
    int64_t last_row;
    Text markup;
    Text original;        // the markup before lowercasing, when cell texts are kept
    bool holds_cell_end;  // "</td>": the rows it goes into split there
  };

  explicit SpanList(size_t columns) : columns_(columns) {}

  // A column past colBound (in a row widened by a carried "</td>") is never
  // rebuilt, so an entry for it is not kept.
  void Add(int64_t last_row, size_t column, TextView markup, TextView original) {
    if (column < columns_.size()) {
      const TextView trimmed = text::TrimSpaces(markup);
      columns_[column].push_back({last_row, Text(trimmed), Text(text::TrimSpaces(original)),
                                  text::IndexOf(trimmed, kCellEnd) != TextView::npos});
    }
  }

  // The entry carried into row `row` at `column`, or nullptr. Every entry
  // was added by an earlier row, so it starts at or before this one.
  const Entry* CarriedInto(int64_t row, size_t column) {
    std::vector<Entry>& entries = columns_[column];
    while (!entries.empty() && entries.back().last_row < row) entries.pop_back();
    return entries.empty() ? nullptr : &entries.back();
  }

 private:
  std::vector<std::vector<Entry>> columns_;
};

class SecondPass {
 public:
  SecondPass(const IsolatedRows& rows, TableSink& sink, Progress& progress, CellTexts texts)
      : rows_(rows),
        sink_(sink),
        progress_(progress),
        keep_(texts == CellTexts::kKept),
        spans_(rows.colBound + 1) {}

  Status Run() {
    QM_RETURN_IF_ERROR(sink_.BeginRows());
    for (size_t r = 0; r < rows_.size(); ++r) {
      const int64_t i = static_cast<int64_t>(r) + 1;
      progress_.ShowStatus(text::FromNumber(i));
      TakeSourcePieces(r, r + 1 == rows_.size());
      QM_RETURN_IF_ERROR(RebuildRow(i));
      QM_RETURN_IF_ERROR(split_ ? HandOnSplitCells(i) : HandOnColumns(i));
      QM_RETURN_IF_ERROR(sink_.EndRow(i));
    }
    return sink_.Finish();
  }

 private:
  // A piece of the row as the rebuild takes it: the isolated piece, or one
  // of the remainders after the row's last "</td>" (nullptr: `remainder`).
  struct Source {
    const IsolatedRows::Piece* piece;
    TextView remainder;
    TextView text() const { return piece ? piece->text : remainder; }
  };

  // One column of the rebuilt row: its cell markup, not copied.
  struct Column {
    TextView markup;  // lowercased when `lowered`, else as the page has it
    bool lowered;
    bool may_span;      // it may hold a span attribute
    TextView original;  // the markup before lowercasing, when cell texts are kept
  };

  // The pieces row `r` (0-based) splits into at "</td>" as the row list
  // gives it: every copy of a kept piece, then the remainder after the last
  // "</td>", which is the CR LF before the next row, and nothing after the
  // last row (where an empty row has no pieces at all).
  void TakeSourcePieces(size_t r, bool last_row) {
    source_pieces_.clear();
    for (const IsolatedRows::Piece& piece : rows_.row(r)) {
      source_pieces_.insert(source_pieces_.end(), piece.copies, Source{&piece, TextView()});
    }
    if (!last_row) {
      source_pieces_.push_back({nullptr, kCrLf});
    } else if (!source_pieces_.empty()) {
      source_pieces_.push_back({nullptr, TextView()});
    }
  }

  // Columns 0 .. colBound, each a carried cell or, when no entry covers it,
  // the next source piece ("<td>&nbsp;" for an empty one or past the last).
  // The rebuilt row is these, each followed by "</td>"; it is written out
  // (lowercased, and as `original_` before lowercasing when cell texts are
  // kept) only when a carried markup holds a "</td>" of its own (`split_`),
  // for then its cells no longer fall one to a column. Fails before the
  // rebuilt rows outgrow the character budget.
  Status RebuildRow(int64_t i) {
    columns_.clear();
    split_ = false;
    size_t source = 0;
    for (size_t j = 0; j <= static_cast<size_t>(rows_.colBound); ++j) {
      if (const SpanList::Entry* carried = spans_.CarriedInto(i, j)) {
        columns_.push_back({carried->markup, true, true, carried->original});
        split_ = split_ || carried->holds_cell_end;
      } else if (source < source_pieces_.size() &&
                 !text::TrimSpaces(source_pieces_[source].text()).empty()) {
        const Source& piece = source_pieces_[source++];
        if (piece.piece != nullptr) {
          columns_.push_back({piece.piece->text, rows_.Lowered(*piece.piece),
                              piece.piece->mentions_span != 0,
                              keep_ ? rows_.Original(*piece.piece) : TextView()});
        } else {
          columns_.push_back({piece.remainder, true, false, piece.remainder});
        }
      } else {
        ++source;
        columns_.push_back({kEmptyCell, true, false, kEmptyCell});
      }
      const auto size = static_cast<int64_t>(columns_.back().markup.size() + kCellEnd.size());
      if (size > characters_left_) return OverCharacterBudget(i);
      characters_left_ -= size;
    }
    if (split_) {
      rebuilt_.clear();
      original_.clear();
      for (const Column& column : columns_) {
        AppendLowered(column, rebuilt_);
        rebuilt_.append(kCellEnd);
        if (keep_) original_.append(column.original).append(kCellEnd);
      }
    }
    return Status();
  }

  static void AppendLowered(const Column& column, Text& out) {
    if (column.lowered) {
      out.append(column.markup);
    } else {
      text::AppendLowercase(out, column.markup);
    }
  }

  Status OverCharacterBudget(int64_t i) const {
    return Status(ErrorNumber::kMarkupTooLarge,
                  Fill(Tr("At row %1$s, the cells the table's row spans carry down would make its "
                          "rows hold more than %2$s characters, more than this program converts "
                          "for a table of its size."),
                       i, rows_.budget.characters));
  }

  // Every cell k of the rebuilt row, in order: its text, its span attributes
  // cut (a row span recorded for the rows below), the text to the sink. The
  // cells are the rebuilt row split at "</td>", less the split's last piece:
  // the empty remainder after the row's last "</td>", which is no cell (the
  // sink's EndRow stands for it). With no carried "</td>" in the row, they
  // are its columns, each read where it stands; a cell that mentions no span
  // word has no attribute to cut and is not copied at all.
  Status HandOnColumns(int64_t i) {
    for (size_t k = 0; k < columns_.size(); ++k) {
      const Column& column = columns_[k];
      if (column.may_span) {
        markup_.clear();
        AppendLowered(column, markup_);
        if (keep_) original_markup_.assign(column.original);
        QM_RETURN_IF_ERROR(HandOnCell(i, static_cast<int64_t>(k)));
        continue;
      }
      if (keep_) {
        cell_text::ReadableFromMarkup(column.original, &strCellText_);
        cell_text::ReadableFallBack(strCellText_, column.original);
      } else {
        cell_text::FromMarkup(column.markup, &strCellText_, !column.lowered);
        if (strCellText_.empty()) AppendLowered(column, strCellText_);  // the fallback
      }
      QM_RETURN_IF_ERROR(sink_.Cell(static_cast<int64_t>(k), strCellText_));
    }
    return Status();
  }

  Status HandOnSplitCells(int64_t i) {
    size_t from = 0;
    for (int64_t k = 0;; ++k) {
      const size_t end = text::IndexOf(rebuilt_, kCellEnd, from);
      if (end == Text::npos) return Status();
      markup_.assign(rebuilt_, from, end - from);
      if (keep_) original_markup_.assign(original_, from, end - from);
      from = end + kCellEnd.size();
      QM_RETURN_IF_ERROR(HandOnCell(i, k));
    }
  }

  // Cell k of row i, its markup (lowercased) in markup_ and, when cell texts
  // are kept, before lowercasing in original_markup_.
  Status HandOnCell(int64_t i, int64_t k) {
    if (keep_) {
      cell_text::ReadableFromMarkup(original_markup_, &strCellText_);
    } else {
      cell_text::FromMarkup(markup_, &strCellText_);
    }
    CutSpanAttribute(u"colspan");
    Text rowspan = CutSpanAttribute(u"rowspan");
    if (!rowspan.empty()) {
      int64_t n = std::min(SpanValue(rowspan, u"rowspan"), kMaxRowSpan);
      if (n > 1) spans_.Add(i + n - 1, static_cast<size_t>(k), markup_, original_markup_);
      QM_RETURN_IF_ERROR(progress_.Yield());
    }
    if (keep_) {
      cell_text::ReadableFallBack(strCellText_, original_markup_);
    } else {
      cell_text::FallBackToMarkup(strCellText_, markup_);
    }
    return sink_.Cell(k, strCellText_);
  }

  // Cuts every occurrence of the span attribute `name` from the cell markup
  // (and the same stretches from its original) and returns the attribute's
  // text (empty when the cell has none).
  Text CutSpanAttribute(TextView name) {
    Text attribute(SpanAttribute(markup_, name));
    if (!attribute.empty()) RemoveAll(markup_, attribute, keep_ ? &original_markup_ : nullptr);
    return attribute;
  }

  const IsolatedRows& rows_;
  TableSink& sink_;
  Progress& progress_;
  const bool keep_;
  SpanList spans_;
  int64_t characters_left_ = rows_.budget.characters;
  std::vector<Source> source_pieces_;
  std::vector<Column> columns_;
  bool split_ = false;
  Text rebuilt_, original_;  // the rebuilt row, when split_
  Text markup_, original_markup_;
  Text strCellText_;
};

}  // namespace

namespace {

Status Convert(TextView strTable, bool written_out, TableSink& sink, Progress& progress,
               CellTexts texts) {
  IsolatedRows rows;
  QM_RETURN_IF_ERROR(
      IsolateRowsWith(strTable, texts == CellTexts::kKept, written_out, progress, &rows));
  const int64_t cells = static_cast<int64_t>(rows.size()) * (rows.colBound + 1);
  if (cells > rows.budget.cells) {
    return Status(ErrorNumber::kMarkupTooLarge,
                  Fill(Tr("The table has %1$s rows of %2$s columns, more than the %3$s cells this "
                          "program converts for a table of its size."),
                       rows.size(), rows.colBound + 1, rows.budget.cells));
  }
  return SecondPass(rows, sink, progress, texts).Run();
}

}  // namespace

Status ConvertTable(TextView strTable, TableSink& sink, Progress& progress, CellTexts texts) {
  return Convert(strTable, false, sink, progress, texts);
}

Status conversion_detail::ConvertWrittenOut(TextView strTable, TableSink& sink, Progress& progress,
                                            CellTexts texts) {
  return Convert(strTable, true, sink, progress, texts);
}

}  // namespace quillmere
