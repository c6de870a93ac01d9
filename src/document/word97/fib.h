// The file information block (FIB) at the start of a Word 97-2003
// document's WordDocument stream ([MS-DOC] 2.5): which table stream to use,
// where the main text, the stories after it and the text-box story lie, and
// where the structures this reader needs lie in the table stream.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/status.h"

namespace quillmere::document::word97 {

// A structure in the table stream: its offset and its size in bytes.
struct FcLcb {
  uint32_t fc = 0;
  uint32_t lcb = 0;
};

struct Fib {
  bool uses_1table = false;      // the table stream is "1Table", else "0Table"
  int32_t main_text_length = 0;  // ccpText, in characters (CPs)
  // Where the text-box story starts (after the main text, footnotes,
  // headers, comments and endnotes) and its length; 0 when it is missing
  // or the lengths make no sense.
  uint32_t text_box_start = 0;
  uint32_t text_box_length = 0;
  FcLcb character_bins;  // PlcBteChpx
  FcLcb paragraph_bins;  // PlcBtePapx
  FcLcb piece_table;     // Clx
  FcLcb shape_anchors;   // PlcSpaMom: the main text's drawing anchors
  FcLcb text_boxes;      // PlcftxbxTxt: the text boxes of the main text
  // Lists and notes; a structure the FIB does not list stays empty.
  int32_t footnotes_length = 0;  // ccpFtn: the stories after the main text, in CP order
  int32_t headers_length = 0;    // ccpHdd
  int32_t macros_length = 0;     // ccpMcr
  int32_t comments_length = 0;   // ccpAtn
  int32_t endnotes_length = 0;   // ccpEdn
  FcLcb style_sheet;             // STSH
  FcLcb fonts;                   // SttbfFfn
  FcLcb footnote_references;     // PlcffndRef
  FcLcb footnote_texts;          // PlcffndTxt
  FcLcb endnote_references;      // PlcfendRef
  FcLcb endnote_texts;           // PlcfendTxt
  FcLcb list_definitions;        // PlfLst
  FcLcb list_overrides;          // PlfLfo
};

// Reads the FIB of `word_document`. Fails with kPasswordProtected for an
// encrypted or obfuscated document, kUnsupportedFormat for Word 6.0/95 and
// older, kCorruptDocument for a FIB that is cut off or inconsistent.
Status ReadFib(std::string_view word_document, Fib* out);

// Fails unless every structure the main text needs lies inside the table
// stream of `table_stream_size` bytes. Text-box structures that lie outside
// are forgotten (set empty): a damaged text box costs only itself.
Status CheckFibAgainstTableStream(Fib* fib, uint64_t table_stream_size);

}  // namespace quillmere::document::word97
