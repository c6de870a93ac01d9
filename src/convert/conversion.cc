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

}  // namespace

namespace conversion_detail {

namespace {

// True when an unclosed "<" stands among the last kLongestRemovedTag
// characters before `end`: text after `end` could then complete a removed tag
// with it.
bool UnclosedTagBefore(const Text& s, size_t end) {
  for (size_t i = end; i > 0 && end - i < kLongestRemovedTag; --i) {
    if (s[i - 1] == u'>') return false;
    if (s[i - 1] == u'<') return true;
  }
  return false;
}

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
// each rewrite. Done in one pass and in place: the text before a rewritten
// tag never holds another "<tr ", so the next one to rewrite is the next one
// in the rest of the text, and its position in the rewritten text is known.
// The text only ever shrinks, so the write position trails the read.
Status RewriteRowTags(Text& working, Progress& progress) {
  constexpr TextView kRowStart = u"<tr ";
  constexpr TextView kCellStart = u"<td ";
  size_t tr = text::IndexOf(working, kRowStart);
  size_t read = 0, write = 0;
  while (tr != Text::npos) {
    // Where the cut ends: at the next cell tag with attributes or, when none
    // follows, just after the row tag's own ">".
    size_t td = text::IndexOf(working, kCellStart, tr + kRowStart.size());
    size_t gt = td == Text::npos ? text::IndexOf(working, u'>', tr + kRowStart.size()) : Text::npos;
    size_t cut_end = td != Text::npos ? td : gt != Text::npos ? gt + 1 : working.size();
    size_t next_tr = text::IndexOf(working, kRowStart, cut_end);

    std::copy(working.begin() + read, working.begin() + tr, working.begin() + write);
    write += tr - read;
    std::copy(kBareRowTag.begin(), kBareRowTag.end(), working.begin() + write);
    write += kBareRowTag.size();
    read = cut_end;
    tr = next_tr;

    // Where the next row tag now stands in the rewritten text.
    const size_t next_index = tr == Text::npos ? Text::npos : write + (tr - read);
    const auto pos = static_cast<int64_t>(OneBasedPosition(next_index));
    QM_RETURN_IF_ERROR(progress.Yield());
    progress.ShowStatus(u"正在处理tr标签" + text::FromNumber(pos));
  }
  std::copy(working.begin() + read, working.end(), working.begin() + write);
  working.resize(write + (working.size() - read));
  return Status();
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

// How many columns a piece stands for: its "colspan" value, capped at
// kMaxColumnSpan; 1 when it has no such attribute.
int64_t ColumnSpan(TextView piece) {
  const TextView colspan = SpanAttribute(piece, u"colspan");
  return colspan.empty() ? 1 : std::min(SpanValue(colspan, u"colspan"), kMaxColumnSpan);
}

Status OverCellBudget(int64_t cells) {
  return Status(ErrorNumber::kMarkupTooLarge,
                Fill(Tr("The table's spans expand to more than %s cells, more than this program "
                        "converts for a table of its size."),
                     cells));
}

// The kept pieces of one row: a piece of blanks is dropped, a piece spanning
// n columns stands n times. Yields once for every extra copy. Every copy is
// taken from `cells_left`.
Status KeptPieces(TextView row_piece, Progress& progress, const WorkBudget& budget,
                  int64_t* cells_left, IsolatedRows::Row* row) {
  for (TextView piece : text::Split(row_piece, kCellEnd)) {
    const int64_t kept = text::TrimSpaces(piece).empty() ? 0 : 1;
    const int64_t extra_copies = std::max<int64_t>(ColumnSpan(piece) - 1, 0);
    const int64_t copies = kept + extra_copies;
    if (copies > *cells_left) return OverCellBudget(budget.cells);
    *cells_left -= copies;
    for (int64_t copy = 0; copy < extra_copies; ++copy) QM_RETURN_IF_ERROR(progress.Yield());
    if (copies > 0) row->push_back({piece, copies});
  }
  return Status();
}

// The row-span entries of the running conversion, by column. A column keeps
// its entries in the order they were added; the newest one still covering
// the current row is the one a row receives, and entries whose last row has
// passed are dropped as they come to the top.
class SpanList {
 public:
  explicit SpanList(size_t columns) : columns_(columns) {}

  // A column past colBound (in a row widened by a carried "</td>") is never
  // rebuilt, so an entry for it is not kept.
  void Add(int64_t last_row, size_t column, TextView markup) {
    if (column < columns_.size()) {
      columns_[column].push_back({last_row, Text(text::TrimSpaces(markup))});
    }
  }

  // The carried markup for row `row` at `column`, or nullptr. Every entry was
  // added by an earlier row, so it starts at or before this one.
  const Text* CarriedInto(int64_t row, size_t column) {
    std::vector<Entry>& entries = columns_[column];
    while (!entries.empty() && entries.back().last_row < row) entries.pop_back();
    return entries.empty() ? nullptr : &entries.back().markup;
  }

 private:
  struct Entry {
    int64_t last_row;
    Text markup;
  };
  std::vector<std::vector<Entry>> columns_;
};

// colBound from the first row. Row 1 of strRows splits at "</td>" into a
// piece for every copy of a kept piece, then the remainder after its last
// "</td>" (the CR LF before row 2, or nothing when it is the only row; an
// empty text splits into no pieces). colBound is that list's highest index
// less the two pieces that stand for no column: the whitespace piece and the
// remainder. A first row without a whitespace piece thus gives one column
// fewer than it has.
Status DeriveColumnBound(const IsolatedRows::Row& first_row, bool more_rows, int16_t* colBound) {
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

class SecondPass {
 public:
  SecondPass(const IsolatedRows& rows, TableSink& sink, Progress& progress)
      : rows_(rows), sink_(sink), progress_(progress), spans_(rows.colBound + 1) {}

  Status Run() {
    QM_RETURN_IF_ERROR(sink_.BeginRows());
    for (size_t r = 0; r < rows_.size(); ++r) {
      const int64_t i = static_cast<int64_t>(r) + 1;
      progress_.ShowStatus(text::FromNumber(i));
      TakeSourcePieces(r, r + 1 == rows_.size());
      QM_RETURN_IF_ERROR(RebuildRow(i));
      QM_RETURN_IF_ERROR(HandOnCells(i));
      QM_RETURN_IF_ERROR(sink_.EndRow(i));
    }
    return sink_.Finish();
  }

 private:
  // The pieces row `r` (0-based) splits into at "</td>" as the row list
  // gives it: every copy of a kept piece, then the remainder after the last
  // "</td>", which is the CR LF before the next row, and nothing after the
  // last row (where an empty row has no pieces at all).
  void TakeSourcePieces(size_t r, bool last_row) {
    source_pieces_.clear();
    for (const IsolatedRows::Piece& piece : rows_.row(r)) {
      source_pieces_.insert(source_pieces_.end(), piece.copies, piece.text);
    }
    if (!last_row) {
      source_pieces_.push_back(kCrLf);
    } else if (!source_pieces_.empty()) {
      source_pieces_.push_back(TextView());
    }
  }

  // Columns 0 .. colBound, each a carried cell or, when no entry covers it,
  // the next source piece ("<td>&nbsp;" for an empty one or past the last).
  // Fails before the rebuilt rows outgrow the character budget.
  Status RebuildRow(int64_t i) {
    rebuilt_.clear();
    size_t source = 0;
    for (size_t j = 0; j <= static_cast<size_t>(rows_.colBound); ++j) {
      TextView cell = kEmptyCell;
      if (const Text* carried = spans_.CarriedInto(i, j)) {
        cell = *carried;
      } else if (source < source_pieces_.size() &&
                 !text::TrimSpaces(source_pieces_[source]).empty()) {
        cell = source_pieces_[source++];
      } else {
        ++source;
      }
      const int64_t size = static_cast<int64_t>(cell.size() + kCellEnd.size());
      if (size > characters_left_) return OverCharacterBudget(i);
      characters_left_ -= size;
      rebuilt_.append(cell).append(kCellEnd);
    }
    return Status();
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
  // cells are the rebuilt row split at "</td>" (colBound + 1 of them, more
  // when a carried markup holds a "</td>" of its own), less the split's last
  // piece: the empty remainder after the row's last "</td>", which is no
  // cell (the sink's EndRow stands for it).
  Status HandOnCells(int64_t i) {
    std::vector<TextView> cells = text::Split(rebuilt_, kCellEnd);
    cells.pop_back();
    for (int64_t k = 0; k < static_cast<int64_t>(cells.size()); ++k) {
      markup_.assign(cells[k]);
      Text strCellText = cell_text::FromMarkup(markup_);
      CutSpanAttribute(u"colspan");
      Text rowspan = CutSpanAttribute(u"rowspan");
      if (!rowspan.empty()) {
        int64_t n = std::min(SpanValue(rowspan, u"rowspan"), kMaxRowSpan);
        if (n > 1) spans_.Add(i + n - 1, static_cast<size_t>(k), markup_);
        QM_RETURN_IF_ERROR(progress_.Yield());
      }
      cell_text::FallBackToMarkup(strCellText, markup_);
      QM_RETURN_IF_ERROR(sink_.Cell(k, strCellText));
    }
    return Status();
  }

  // Cuts every occurrence of the span attribute `name` from the cell markup
  // and returns the attribute's text (empty when the cell has none).
  Text CutSpanAttribute(TextView name) {
    Text attribute(SpanAttribute(markup_, name));
    if (!attribute.empty()) text::ReplaceAllInPlace(markup_, attribute, u"");
    return attribute;
  }

  const IsolatedRows& rows_;
  TableSink& sink_;
  Progress& progress_;
  SpanList spans_;
  int64_t characters_left_ = rows_.budget.characters;
  std::vector<TextView> source_pieces_;
  Text rebuilt_;
  Text markup_;
};

}  // namespace

Text IsolatedRows::RowText(size_t i) const {
  Text row;
  for (const Piece& piece : rows_[i]) {
    for (int64_t c = 0; c < piece.copies; ++c) row.append(piece.text).append(kCellEnd);
  }
  return row;
}

Text IsolatedRows::strRows() const {
  Text all;
  for (size_t i = 0; i < rows_.size(); ++i) {
    all.append(kCrLf).append(kBareRowTag).append(RowText(i));
  }
  return all;
}

Status IsolateRows(TextView strTable, Progress& progress, IsolatedRows* out) {
  Text& working = out->working_;
  out->budget = WorkBudget::For(strTable.size());
  working = conversion_detail::WorkingText(strTable);
  QM_RETURN_IF_ERROR(RewriteRowTags(working, progress));

  std::vector<TextView> row_pieces = text::Split(working, kBareRowTag);
  int64_t cells_left = out->budget.cells;
  // Piece 0 is what stands before the first row (the rest of the table tag).
  for (size_t i = 1; i < row_pieces.size(); ++i) {
    progress.ShowStatus(text::FromNumber(static_cast<int64_t>(i)));
    QM_RETURN_IF_ERROR(progress.Yield());
    QM_RETURN_IF_ERROR(
        KeptPieces(row_pieces[i], progress, out->budget, &cells_left, &out->rows_.emplace_back()));
    QM_RETURN_IF_ERROR(progress.Yield());
  }
  if (out->rows_.empty()) {
    return Status(ErrorNumber::kNoRows, Tr("The table holds no row (no \"<tr\" tag was found)."));
  }

  return DeriveColumnBound(out->rows_.front(), out->rows_.size() > 1, &out->colBound);
}

Status ConvertTable(TextView strTable, TableSink& sink, Progress& progress) {
  IsolatedRows rows;
  QM_RETURN_IF_ERROR(IsolateRows(strTable, progress, &rows));
  const int64_t cells = static_cast<int64_t>(rows.size()) * (rows.colBound + 1);
  if (cells > rows.budget.cells) {
    return Status(ErrorNumber::kMarkupTooLarge,
                  Fill(Tr("The table has %1$s rows of %2$s columns, more than the %3$s cells this "
                          "program converts for a table of its size."),
                       rows.size(), rows.colBound + 1, rows.budget.cells));
  }
  return SecondPass(rows, sink, progress).Run();
}

}  // namespace quillmere
