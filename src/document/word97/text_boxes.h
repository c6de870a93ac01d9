// The text boxes of the main text ([MS-DOC] 2.3.6, 2.8.32, 2.9.106): their
// text lies in a story of its own after the main text, footnotes, headers,
// comments and endnotes; the PlcftxbxTxt gives each box's stretch of it and
// the id of its shape, the PlcSpaMom each shape's anchor in the main text.
// Text boxes of headers and footers have their own structures and are not
// read, as header and footer stories are not.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "document/word97/fib.h"

namespace quillmere::document::word97 {

struct TextBoxAnchor {
  uint32_t anchor = 0;  // CP of the anchor character in the main text
  uint32_t start = 0;   // the box's text: CPs [start, end) of the whole text
  uint32_t end = 0;
};

// The boxes whose shape has an anchor in the main text, by anchor and then
// in the order of the text-box story. Text past `text_length` (what the
// piece table holds) is left out; damaged tables yield no boxes.
std::vector<TextBoxAnchor> ReadTextBoxAnchors(std::string_view table_stream, const Fib& fib,
                                              uint32_t text_length);

}  // namespace quillmere::document::word97
