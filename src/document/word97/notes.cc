#include "document/word97/notes.h"

#include <algorithm>

#include "document/common/list_labels.h"
#include "document/word97/little_endian.h"

namespace quillmere::document::word97 {
namespace {

constexpr uint64_t kFrdSize = 2;

// The references of one kind, with their texts in the story that starts at
// CP `story_start` and is `story_length` long.
void ReadKind(const LittleEndian& table, FcLcb references, FcLcb texts, bool endnote,
              uint32_t story_start, uint32_t story_length, std::vector<NoteReference>* out) {
  if (references.lcb < 4 + kFrdSize || !table.Has(references.fc, references.lcb) ||
      !table.Has(texts.fc, texts.lcb)) {
    return;
  }
  uint64_t count = (references.lcb - 4) / (4 + kFrdSize);
  // PlcffndTxt has a CP for each note's start, then the end, then one more.
  if (texts.lcb / 4 < count + 1) return;
  uint64_t frds = references.fc + 4 * (count + 1);
  for (uint64_t i = 0; i < count; ++i) {
    NoteReference reference;
    reference.cp = table.U32(references.fc + 4 * i);
    reference.endnote = endnote;
    reference.numbered = table.I16(frds + kFrdSize * i) != 0;
    uint32_t start = table.U32(texts.fc + 4 * i);
    uint32_t end = table.U32(texts.fc + 4 * (i + 1));
    if (start <= end && end <= story_length) {
      reference.text_start = story_start + start;
      reference.text_end = story_start + end;
    }
    out->push_back(reference);
  }
}

}  // namespace

std::vector<NoteReference> ReadNoteReferences(std::string_view table_stream, const Fib& fib) {
  LittleEndian table(table_stream);
  std::vector<NoteReference> references;
  uint64_t footnotes = static_cast<uint64_t>(fib.main_text_length);
  uint64_t endnotes = footnotes + fib.footnotes_length + fib.headers_length + fib.macros_length +
                      fib.comments_length;
  if (endnotes + fib.endnotes_length > UINT32_MAX) return references;
  ReadKind(table, fib.footnote_references, fib.footnote_texts, false,
           static_cast<uint32_t>(footnotes), fib.footnotes_length, &references);
  ReadKind(table, fib.endnote_references, fib.endnote_texts, true, static_cast<uint32_t>(endnotes),
           fib.endnotes_length, &references);
  std::stable_sort(references.begin(), references.end(),
                   [](const NoteReference& a, const NoteReference& b) { return a.cp < b.cp; });
  return references;
}

std::u16string NoteNumbers::Next(bool endnote) {
  return endnote ? FormatNumber(++endnotes_, NumberFormat::kLowerRoman)
                 : FormatNumber(++footnotes_, NumberFormat::kDecimal);
}

}  // namespace quillmere::document::word97
