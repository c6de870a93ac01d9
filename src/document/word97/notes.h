// The footnotes and endnotes of a Word 97-2003 document: where each
// reference stands in the main text and where the note's own text lies in
// the stories after it (PlcffndRef, PlcffndTxt, PlcfendRef, PlcfendTxt,
// [MS-DOC] 2.8.14-2.8.17, 2.9.85 FRD).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document/word97/fib.h"

namespace quillmere::document::word97 {

struct NoteReference {
  uint32_t cp = 0;  // in the main text: 0x02 for a numbered note, else the author's mark
  bool endnote = false;
  bool numbered = true;  // Word numbers it; otherwise the author's mark stands in the text
  // The note's text, its own mark and final paragraph mark included, as
  // CPs of the whole text (the main text followed by the other stories).
  uint32_t text_start = 0;
  uint32_t text_end = 0;
};

// Every reference, footnotes and endnotes together, sorted by CP. A kind
// whose structures are missing or damaged has none.
std::vector<NoteReference> ReadNoteReferences(std::string_view table_stream, const Fib& fib);

// Numbers the references in text order: footnotes 1, 2, 3, endnotes i, ii,
// iii, as Word does unless the document sets other formats.
class NoteNumbers {
 public:
  std::u16string Next(bool endnote);

 private:
  int footnotes_ = 0;
  int endnotes_ = 0;
};

}  // namespace quillmere::document::word97
