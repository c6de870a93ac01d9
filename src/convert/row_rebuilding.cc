#include "convert/row_rebuilding.h"

#include <algorithm>
#include <vector>

#include "convert/conversion_limits.h"
#include "convert/nohtml.h"
#include "convert/span_attributes.h"
#include "platform/translation.h"

namespace quillmere::conversion_detail {

using text::Text;
using text::TextView;

namespace {

constexpr TextView kEmptyCell = u"<td>&nbsp;";

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
    TextView text(const IsolatedRows& rows) const {
      return piece ? rows.TextOf(*piece) : remainder;
    }
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
                 !text::TrimSpaces(source_pieces_[source].text(rows_)).empty()) {
        const Source& piece = source_pieces_[source++];
        if (piece.piece != nullptr) {
          columns_.push_back({rows_.TextOf(*piece.piece), rows_.Lowered(*piece.piece),
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
    CutSpanAttribute(u"colspan", markup_, keep_ ? &original_markup_ : nullptr);
    Text rowspan = CutSpanAttribute(u"rowspan", markup_, keep_ ? &original_markup_ : nullptr);
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

Status RebuildRows(const IsolatedRows& rows, TableSink& sink, Progress& progress, CellTexts texts) {
  return SecondPass(rows, sink, progress, texts).Run();
}

}  // namespace quillmere::conversion_detail
