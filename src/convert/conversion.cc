#include "convert/conversion.h"

#include <algorithm>
#include <limits>

#include "convert/nohtml.h"

namespace quillmere {

using text::Text;
using text::TextView;

namespace {

constexpr TextView kCrLf = u"\r\n";
constexpr TextView kCellEnd = u"</td>";
constexpr TextView kEmptyCell = u"<td>&nbsp;";

}  // namespace

namespace conversion_detail {

namespace {

// True when an unclosed "<" stands among the last characters before `end`:
// text after `end` could then complete a tag with it.
bool UnclosedTagBefore(const Text& s, size_t end) {
  for (size_t i = end; i > 0 && end - i < 8; --i) {
    if (s[i - 1] == u'>') return false;
    if (s[i - 1] == u'<') return true;
  }
  return false;
}

// One sweep over `working` removing the four tags. Returns false when a
// removal joins text around its gap into something that may be a tag.
bool RemoveTableTagsInOneSweep(Text& working) {
  static constexpr TextView kTags[] = {u"</table>", u"</tr>", u"</thead>", u"<thead>"};
  size_t read = 0, write = 0;
  for (size_t lt = text::IndexOf(working, u'<'); lt != Text::npos;
       lt = text::IndexOf(working, u'<', lt + 1)) {
    const TextView rest = TextView(working).substr(lt);
    const TextView* tag = std::find_if(std::begin(kTags), std::end(kTags),
                                       [&](TextView t) { return rest.substr(0, t.size()) == t; });
    if (tag == std::end(kTags)) continue;
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
  for (TextView tag : {u"</table>", u"</tr>", u"</thead>", u"<thead>"}) {
    text::ReplaceAllInPlace(working, tag, u"");
  }
  return working;
}

size_t AttributeEnd(TextView markup, size_t p) {
  size_t sp = text::Find(markup, u" ", p);
  size_t gt = text::Find(markup, u">", p);
  if (sp == 0) return gt;
  if (gt == 0) return 0;
  return std::min(sp, gt);
}

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
// into a bare "<tr>". Done in one pass and in place: the text before a
// rewritten tag never holds another "<tr ", so the next one to rewrite is the
// next one in the rest of the text, and its position in the rewritten text is
// known. The text only ever shrinks, so the write position trails the read.
Status RewriteRowTags(Text& working, Progress& progress) {
  constexpr TextView kRowStart = u"<tr ";
  constexpr TextView kCellStart = u"<td ";
  constexpr TextView kBareRow = u"<tr>";
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
    std::copy(kBareRow.begin(), kBareRow.end(), working.begin() + write);
    write += kBareRow.size();
    read = cut_end;
    tr = next_tr;

    size_t pos = tr == Text::npos ? 0 : write + (tr - read) + 1;
    QM_RETURN_IF_ERROR(progress.Yield());
    progress.ShowStatus(u"正在处理tr标签" + text::FromNumber(static_cast<int64_t>(pos)));
  }
  std::copy(working.begin() + read, working.end(), working.begin() + write);
  working.resize(write + (working.size() - read));
  return Status();
}

}  // namespace conversion_detail

namespace {

using conversion_detail::AttributeEnd;
using conversion_detail::SpanValue;

// The attribute that starts where `name` is found (without regard to case),
// up to the nearer blank or ">"; empty when there is none.
TextView SpanAttribute(TextView markup, TextView name) {
  size_t p = text::FindNoCase(markup, name);
  if (p == 0) return TextView();
  size_t e = AttributeEnd(markup, p);
  if (e == 0) return TextView();
  return markup.substr(p - 1, e - p);
}

Status OverCellBudget(int64_t cells) {
  return Status(ErrorNumber::kMarkupTooLarge,
                "The table's spans expand to more than " + std::to_string(cells) +
                    " cells, more than this program converts for a table of its size.");
}

// The kept pieces of one row: a piece of blanks is dropped, a piece spanning
// n columns stands n times. Yields once for every extra copy, as the copies
// are made. Every copy is taken from `cells_left`.
Status KeptPieces(TextView row_piece, Progress& progress, const WorkBudget& budget,
                  int64_t* cells_left, IsolatedRows::Row* row) {
  for (TextView piece : text::Split(row_piece, kCellEnd)) {
    int64_t copies = text::TrimSpaces(piece).empty() ? 0 : 1;
    TextView colspan = SpanAttribute(piece, u"colspan");
    const int64_t n =
        colspan.empty() ? 1 : std::min(SpanValue(colspan, u"colspan"), kMaxColumnSpan);
    const int64_t cells = copies + std::max<int64_t>(n - 1, 0);
    if (cells > *cells_left) return OverCellBudget(budget.cells);
    *cells_left -= cells;
    if (!colspan.empty()) {
      for (int64_t copy = 1; copy <= n - 1; ++copy) {
        QM_RETURN_IF_ERROR(progress.Yield());
        ++copies;
      }
    }
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

class SecondPass {
 public:
  SecondPass(const IsolatedRows& rows, TableSink& sink, Progress& progress)
      : rows_(rows), sink_(sink), progress_(progress), spans_(rows.colBound + 1) {}

  Status Run() {
    QM_RETURN_IF_ERROR(sink_.BeginRows());
    for (size_t r = 0; r < rows_.size(); ++r) {
      const int64_t i = static_cast<int64_t>(r) + 1;
      progress_.ShowStatus(text::FromNumber(i));
      QM_RETURN_IF_ERROR(RebuildRow(i, r + 1 == rows_.size()));
      QM_RETURN_IF_ERROR(ProcessCells(i));
      QM_RETURN_IF_ERROR(sink_.EndRow(i));
    }
    return sink_.Finish();
  }

 private:
  // Columns 0 .. colBound, each from a carried cell or the row's next piece.
  // Fails before the rebuilt rows outgrow the character budget.
  Status RebuildRow(int64_t i, bool last_row) {
    pieces_.clear();
    for (const IsolatedRows::Piece& piece : rows_.row(i - 1)) {
      pieces_.insert(pieces_.end(), piece.copies, piece.text);
    }
    if (!pieces_.empty()) pieces_.push_back(TextView());  // what follows the last "</td>"
    std::vector<TextView>& pieces = pieces_;
    // The row list splits strRows, where every row but the last is followed
    // by CR LF: that CR LF is the row's final piece.
    if (!last_row) {
      if (pieces.empty()) pieces.push_back(kCrLf);
      else pieces.back() = kCrLf;
    }
    rebuilt_.clear();
    size_t source = 0;
    for (size_t j = 0; j <= static_cast<size_t>(rows_.colBound); ++j) {
      TextView cell = kEmptyCell;
      if (const Text* carried = spans_.CarriedInto(i, j)) {
        cell = *carried;
      } else if (source < pieces.size() && !text::TrimSpaces(pieces[source]).empty()) {
        cell = pieces[source++];
      } else {
        ++source;
      }
      const int64_t size = static_cast<int64_t>(cell.size() + kCellEnd.size());
      if (size > characters_left_) {
        return Status(ErrorNumber::kMarkupTooLarge,
                      "At row " + std::to_string(i) + ", the cells the table's row spans " +
                          "carry down would make its rows hold more than " +
                          std::to_string(rows_.budget.characters) +
                          " characters, more than this program converts for a table of its "
                          "size.");
      }
      characters_left_ -= size;
      rebuilt_.append(cell).append(kCellEnd);
    }
    return Status();
  }

  Status ProcessCells(int64_t i) {
    std::vector<TextView> cells = text::Split(rebuilt_, kCellEnd);
    const int64_t U = static_cast<int64_t>(cells.size()) - 1;
    for (int64_t k = 0; k <= U; ++k) {
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
      QM_RETURN_IF_ERROR(sink_.Cell(k, U, strCellText));
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
  std::vector<TextView> pieces_;
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
  for (size_t i = 0; i < rows_.size(); ++i) all.append(kCrLf).append(u"<tr>").append(RowText(i));
  return all;
}

Status IsolateRows(TextView strTable, Progress& progress, IsolatedRows* out) {
  Text& working = out->working_;
  out->budget = WorkBudget::For(strTable.size());
  working = conversion_detail::WorkingText(strTable);
  QM_RETURN_IF_ERROR(conversion_detail::RewriteRowTags(working, progress));

  std::vector<TextView> row_pieces = text::Split(working, u"<tr>");
  int64_t cells_left = out->budget.cells;
  for (size_t i = 1; i < row_pieces.size(); ++i) {
    progress.ShowStatus(text::FromNumber(static_cast<int64_t>(i)));
    QM_RETURN_IF_ERROR(progress.Yield());
    QM_RETURN_IF_ERROR(KeptPieces(row_pieces[i], progress, out->budget, &cells_left,
                                  &out->rows_.emplace_back()));
    QM_RETURN_IF_ERROR(progress.Yield());
  }
  if (out->rows_.empty()) {
    return Status(ErrorNumber::kNoRows, "The table holds no row (no \"<tr\" tag was found).");
  }

  // Row 1 as the row list gives it, followed by CR LF unless it is the only
  // row, split at "</td>": every copy of a piece, then what follows.
  int64_t pieces = 0;
  for (const IsolatedRows::Piece& piece : out->rows_.front()) pieces += piece.copies;
  if (pieces > 0 || out->rows_.size() > 1) ++pieces;
  const int64_t bound = pieces - 1 - 2;
  if (bound < 0) {
    return Status(ErrorNumber::kNoColumns,
                  "The table's first row has no cell that could become a column.");
  }
  if (bound > std::numeric_limits<int16_t>::max()) {
    return Status(ErrorNumber::kTooManyColumns,
                  "The table's first row has " + std::to_string(bound + 1) +
                      " columns; at most 32768 can be converted.");
  }
  out->colBound = static_cast<int16_t>(bound);
  return Status();
}

Status ConvertTable(TextView strTable, TableSink& sink, Progress& progress) {
  IsolatedRows rows;
  QM_RETURN_IF_ERROR(IsolateRows(strTable, progress, &rows));
  const int64_t cells = static_cast<int64_t>(rows.size()) * (rows.colBound + 1);
  if (cells > rows.budget.cells) {
    return Status(ErrorNumber::kMarkupTooLarge,
                  "The table has " + std::to_string(rows.size()) + " rows of " +
                      std::to_string(rows.colBound + 1) + " columns, more than the " +
                      std::to_string(rows.budget.cells) +
                      " cells this program converts for a table of its size.");
  }
  return SecondPass(rows, sink, progress).Run();
}

}  // namespace quillmere
