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
// The same into `strCellText`, whose buffer is reused; with `lowercase`,
// of the markup lowercased (without a lowercased copy of it being made).
void FromMarkup(text::TextView cell_markup, text::Text* strCellText, bool lowercase = false);

// Second half: an empty text becomes the (span-stripped) markup itself.
inline void FallBackToMarkup(text::Text& strCellText, text::TextView cell_markup) {
  if (strCellText.empty()) strCellText.assign(cell_markup);
}

// The text as a person reads it, for cells kept as written: the markup right
// of the first ">" (in its own case) with every tag a blank, character
// references decoded (numeric ones, and &amp; &lt; &gt; &quot; &apos;
// &nbsp; and a few typographic names; others stay as written), every run of
// white space one blank, none at either end; "<td>" before it, as
// FromMarkup gives it. Empty when the markup holds no ">".
void ReadableFromMarkup(text::TextView cell_markup, text::Text* strCellText);
// The second half for such cells: an empty text becomes the readable form
// of the markup itself (which holds no tag).
void ReadableFallBack(text::Text& strCellText, text::TextView cell_markup);

}  // namespace cell_text
}  // namespace quillmere
