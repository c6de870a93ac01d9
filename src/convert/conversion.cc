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
  size_t tr = working.find(kRowStart);
  size_t read = 0, write = 0;
  while (tr != Text::npos) {
    // Where the cut ends: at the next cell tag with attributes or, when none
    // follows, just after the row tag's own ">".
    size_t td = working.find(kCellStart, tr + kRowStart.size());
    size_t gt = td == Text::npos ? working.find(u'>', tr + kRowStart.size()) : Text::npos;
    size_t cut_end = td != Text::npos ? td : gt != Text::npos ? gt + 1 : working.size();
    size_t next_tr = working.find(kRowStart, cut_end);

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

// How often each cell piece of a row stands in its row text: 0 for a piece
// of blanks, n for a piece spanning n columns, else 1. Yields once for every
// extra copy, as the copies are made.
Status CountCopies(const std::vector<TextView>& pieces, Progress& progress,
                   std::vector<int64_t>* copies) {
  copies->assign(pieces.size(), 0);
  for (size_t k = 0; k < pieces.size(); ++k) {
    (*copies)[k] = text::TrimSpaces(pieces[k]).empty() ? 0 : 1;
    TextView colspan = SpanAttribute(pieces[k], u"colspan");
    if (colspan.empty()) continue;
    int64_t n = std::min(SpanValue(colspan, u"colspan"), kMaxColumnSpan);
    for (int64_t copy = 1; copy <= n - 1; ++copy) {
      QM_RETURN_IF_ERROR(progress.Yield());
      ++(*copies)[k];
    }
  }
  return Status();
}

// The row text: each piece followed by "</td>", as often as it counts. When
// that is the row piece itself (every piece once, or all but a last piece of
// blanks), the row keeps pointing into the markup instead of copying it.
IsolatedRows::Row RowFromPieces(TextView row_piece, const std::vector<TextView>& pieces,
                                const std::vector<int64_t>& copies, std::deque<Text>& store) {
  const size_t n = pieces.size();
  if (n == 0) return {TextView(), false};
  bool as_is = true;
  for (size_t k = 0; k + 1 < n && as_is; ++k) as_is = copies[k] == 1;
  if (as_is && copies[n - 1] == 1) return {row_piece, true};
  if (as_is && copies[n - 1] == 0) {
    return {row_piece.substr(0, row_piece.size() - pieces[n - 1].size()), false};
  }
  Text& text = store.emplace_back();
  for (size_t k = 0; k < n; ++k) {
    for (int64_t c = 0; c < copies[k]; ++c) text.append(pieces[k]).append(kCellEnd);
  }
  return {text, false};
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
      RebuildRow(i, r + 1 == rows_.size());
      QM_RETURN_IF_ERROR(ProcessCells(i));
      QM_RETURN_IF_ERROR(sink_.EndRow(i));
    }
    return sink_.Finish();
  }

 private:
  // Columns 0 .. colBound, each from a carried cell or the row's next piece.
  void RebuildRow(int64_t i, bool last_row) {
    const IsolatedRows::Row& row = rows_.row(i - 1);
    std::vector<TextView> pieces = text::Split(row.body, kCellEnd);
    if (row.closed) pieces.push_back(TextView());  // what follows its last "</td>"
    // The row list splits strRows, where every row but the last is followed
    // by CR LF: that CR LF is the row's final piece.
    if (!last_row) {
      if (pieces.empty()) pieces.push_back(kCrLf);
      else pieces.back() = kCrLf;
    }
    rebuilt_.clear();
    size_t source = 0;
    for (size_t j = 0; j <= static_cast<size_t>(rows_.colBound); ++j) {
      if (const Text* carried = spans_.CarriedInto(i, j)) {
        rebuilt_.append(*carried);
      } else if (source < pieces.size() && !text::TrimSpaces(pieces[source]).empty()) {
        rebuilt_.append(pieces[source++]);
      } else {
        rebuilt_.append(kEmptyCell);
        ++source;
      }
      rebuilt_.append(kCellEnd);
    }
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
  Text rebuilt_;
  Text markup_;
};

}  // namespace

Text IsolatedRows::RowText(size_t i) const {
  Text row(rows_[i].body);
  if (rows_[i].closed) row.append(kCellEnd);
  return row;
}

Text IsolatedRows::strRows() const {
  Text all;
  for (size_t i = 0; i < rows_.size(); ++i) all.append(kCrLf).append(u"<tr>").append(RowText(i));
  return all;
}

Status IsolateRows(TextView strTable, Progress& progress, IsolatedRows* out) {
  Text& working = out->working_;
  working = text::Lowercase(strTable);
  for (TextView tag : {u"</table>", u"</tr>", u"</thead>", u"<thead>"}) {
    text::ReplaceAllInPlace(working, tag, u"");
  }
  QM_RETURN_IF_ERROR(conversion_detail::RewriteRowTags(working, progress));

  std::vector<TextView> row_pieces = text::Split(working, u"<tr>");
  std::vector<int64_t> copies;
  for (size_t i = 1; i < row_pieces.size(); ++i) {
    progress.ShowStatus(text::FromNumber(static_cast<int64_t>(i)));
    QM_RETURN_IF_ERROR(progress.Yield());
    std::vector<TextView> pieces = text::Split(row_pieces[i], kCellEnd);
    QM_RETURN_IF_ERROR(CountCopies(pieces, progress, &copies));
    out->rows_.push_back(RowFromPieces(row_pieces[i], pieces, copies, out->copies_));
    QM_RETURN_IF_ERROR(progress.Yield());
  }
  if (out->rows_.empty()) {
    return Status(ErrorNumber::kNoRows, "The table holds no row (no \"<tr\" tag was found).");
  }

  // Row 1 as the row list gives it: followed by CR LF unless it is the only row.
  const Text first = out->RowText(0);
  int64_t pieces = static_cast<int64_t>(text::Split(first, kCellEnd).size());
  if (out->rows_.size() > 1) pieces += first.empty() ? 1 : 0;
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
  return SecondPass(rows, sink, progress).Run();
}

}  // namespace quillmere
