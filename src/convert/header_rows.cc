#include "convert/header_rows.h"

#include <algorithm>

#include "convert/markup_search.h"
#include "convert/row_isolation.h"
#include "convert/span_attributes.h"

namespace quillmere {

namespace {

using conversion_detail::StartsWithNoCase;

// The markup up to the start of row `rows` + 1 (rows counted by their "<tr"
// tags), or all of it when it has no more rows.
text::TextView FirstRows(text::TextView strTable, int64_t rows) {
  int64_t seen = 0;
  for (size_t at = text::IndexOfNoCase(strTable, u"<tr"); at != text::TextView::npos;
       at = text::IndexOfNoCase(strTable, u"<tr", at + 1)) {
    const text::TextView rest = strTable.substr(at);
    if (!StartsWithNoCase(rest, u"<tr ") && !StartsWithNoCase(rest, u"<tr>")) continue;
    if (seen++ == rows) return strTable.substr(0, at);
  }
  return strTable;
}

// The rows a cell piece spans, as the conversion reads its "rowspan".
int64_t RowSpan(const IsolatedRows& rows, const IsolatedRows::Piece& piece) {
  if (!piece.mentions_span) return 1;
  const text::TextView attribute = conversion_detail::SpanAttribute(rows.TextOf(piece), u"rowspan");
  if (attribute.empty()) return 1;
  const text::Text lowered =
      rows.Lowered(piece) ? text::Text(attribute) : text::Lowercase(attribute);
  return std::clamp<int64_t>(conversion_detail::SpanValue(lowered, u"rowspan"), 1, kMaxRowSpan);
}

}  // namespace

int64_t HeaderRowCount(text::TextView strTable) {
  IsolatedRows rows;
  SilentProgress quiet;
  // One row more than the deepest header, to see a heading reach past it.
  if (!IsolateRowsOf(FirstRows(strTable, kMaxHeaderRows + 1), false, quiet, &rows).ok()) return 1;
  // Without a heading over several columns, a cell spanning rows is a label
  // down the table's side, and the rows beside it are the table's.
  if (rows.size() == 0 || std::none_of(rows.row(0).begin(), rows.row(0).end(),
                                       [](const IsolatedRows::Piece& p) { return p.copies > 1; })) {
    return 1;
  }
  int64_t header = 1;
  for (int64_t r = 0; r < header && r < static_cast<int64_t>(rows.size()); ++r) {
    for (const IsolatedRows::Piece& piece : rows.row(static_cast<size_t>(r))) {
      header = std::max(header, r + RowSpan(rows, piece));
    }
  }
  return header > kMaxHeaderRows ? 1 : header;
}

}  // namespace quillmere
