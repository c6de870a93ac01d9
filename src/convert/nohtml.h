// The tag stripper and the cell-text step.
#pragma once

#include "convert/ustring.h"

namespace quillmere {

// `str` with every markup tag replaced by one blank. A tag is a "<", any one
// character but a line feed, then the longest stretch without "<" that ends
// in ">"; a second sweep does the same for "</" ... ">". Matches never
// overlap and the text is scanned once from left to right.
text::Text nohtml(text::TextView str);

namespace cell_text {

// The two sweeps of nohtml on their own, for tests.
text::Text ReplaceTags(text::TextView s);
text::Text ReplaceClosingTags(text::TextView s);

// First half of a cell's text: "<td>" and the markup right of the first ">",
// stripped of tags, "&nbsp;", CR LF pairs and blanks; empty when the markup
// holds no ">".
text::Text FromMarkup(text::TextView cell_markup);

// Second half: an empty text becomes the (span-stripped) markup itself.
inline void FallBackToMarkup(text::Text& strCellText, text::TextView cell_markup) {
  if (strCellText.empty()) strCellText.assign(cell_markup);
}

}  // namespace cell_text
}  // namespace quillmere
