#include "document/word97/fib.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "document/word97/little_endian.h"
#include "platform/translation.h"

namespace quillmere::document::word97 {
namespace {

constexpr uint16_t kWord97Ident = 0xA5EC;
constexpr uint16_t kWord6Ident = 0xA5DC;
constexpr uint16_t kFirstWord97Version = 0xC1;
constexpr uint16_t kFlagEncrypted = 0x0100;
constexpr uint16_t kFlagWhichTableStream = 0x0200;
constexpr uint16_t kFlagObfuscated = 0x8000;
// Indexes of the fc/lcb pairs this reader uses ([MS-DOC] 2.5.6).
constexpr int kPairCharacterBins = 12;
constexpr int kPairParagraphBins = 13;
constexpr int kPairPieceTable = 33;
constexpr int kPairStyleSheet = 1;
constexpr int kPairFonts = 15;
constexpr int kPairFootnoteReferences = 2;
constexpr int kPairFootnoteTexts = 3;
constexpr int kPairEndnoteReferences = 46;
constexpr int kPairEndnoteTexts = 47;
constexpr int kPairListDefinitions = 73;
constexpr int kPairListOverrides = 74;
// Indexes of the story lengths in fibRgLw ([MS-DOC] 2.5.5).
constexpr int kLongFootnotes = 4;
constexpr int kLongEndnotes = 8;
constexpr int kPairShapeAnchors = 40;
constexpr int kPairTextBoxes = 56;
// The stories before the text boxes, in CP order ([MS-DOC] 2.3.1): their
// lengths' offsets in fibRgLw (main text, footnotes, headers, comments,
// endnotes), then the text boxes' own.
constexpr int kStoryLengths[] = {12, 16, 20, 28, 32};
constexpr int kTextBoxLength = 36;

Status Corrupt(const std::string& what) {
  return Status(ErrorNumber::kCorruptDocument,
                Fill(Tr("The document's file information block is damaged: %s."), what));
}

// The story lengths and structures of lists and notes, where the FIB has
// them; a length below zero counts as none.
void ReadListsAndNotes(const LittleEndian& fib, uint64_t longs, uint64_t cslw, uint64_t pairs,
                       uint64_t pair_count, Fib* out) {
  int32_t* lengths[] = {&out->footnotes_length, &out->headers_length, &out->macros_length,
                        &out->comments_length, &out->endnotes_length};
  for (int i = kLongFootnotes; i <= kLongEndnotes && static_cast<uint64_t>(i) < cslw; ++i) {
    *lengths[i - kLongFootnotes] = std::max(fib.I32(longs + 4 * i), 0);
  }
  auto pair = [&](int index) {
    if (static_cast<uint64_t>(index) >= pair_count) return FcLcb();
    return FcLcb{fib.U32(pairs + 8 * index), fib.U32(pairs + 8 * index + 4)};
  };
  out->style_sheet = pair(kPairStyleSheet);
  out->fonts = pair(kPairFonts);
  out->footnote_references = pair(kPairFootnoteReferences);
  out->footnote_texts = pair(kPairFootnoteTexts);
  out->endnote_references = pair(kPairEndnoteReferences);
  out->endnote_texts = pair(kPairEndnoteTexts);
  out->list_definitions = pair(kPairListDefinitions);
  out->list_overrides = pair(kPairListOverrides);
}

// Sets where the text-box story lies, unless a length is negative or the
// stories would pass the largest CP.
void ReadTextBoxStory(const LittleEndian& fib, uint64_t longs, Fib* out) {
  int64_t start = 0;
  for (int offset : kStoryLengths) {
    int32_t length = fib.I32(longs + offset);
    if (length < 0) return;
    start += length;
  }
  int32_t length = fib.I32(longs + kTextBoxLength);
  if (length <= 0 || start + length > INT32_MAX) return;
  out->text_box_start = static_cast<uint32_t>(start);
  out->text_box_length = static_cast<uint32_t>(length);
}

}  // namespace

Status ReadFib(std::string_view word_document, Fib* out) {
  *out = Fib();
  LittleEndian fib(word_document);
  if (!fib.Has(0, 0x22)) return Corrupt("it is cut off");
  uint16_t ident = fib.U16(0);
  if (ident != kWord97Ident && ident != kWord6Ident) {
    return Status(ErrorNumber::kUnsupportedFormat, Tr("The compound file is not a Word document."));
  }
  uint16_t flags = fib.U16(0x0A);
  if (flags & (kFlagEncrypted | kFlagObfuscated)) {
    return Status(ErrorNumber::kPasswordProtected,
                  Tr("The document is password-protected (encrypted); it cannot be read. Remove "
                     "the password in Word, then try again."));
  }
  if (ident == kWord6Ident || fib.U16(2) < kFirstWord97Version) {
    return Status(
        ErrorNumber::kUnsupportedFormat,
        Tr("The document was saved by Word 6.0/95 or older, not in the Word 97-2003 format."));
  }
  out->uses_1table = flags & kFlagWhichTableStream;
  // The variable part: csw 16-bit words, cslw 32-bit words, then the fc/lcb pairs.
  uint64_t at = 0x20;
  uint64_t csw = fib.U16(at);
  at += 2 + 2 * csw;
  uint64_t cslw = fib.U16(at);
  uint64_t longs = at + 2;
  at = longs + 4 * cslw;
  if (cslw < 4 || !fib.Has(longs, 16)) return Corrupt("it holds no text length");
  out->main_text_length = fib.I32(longs + 12);
  if (out->main_text_length < 0) return Corrupt("negative text length");
  if (cslw >= 10 && fib.Has(longs, 40)) ReadTextBoxStory(fib, longs, out);
  uint64_t pair_count = fib.U16(at);
  uint64_t pairs = at + 2;
  if (pair_count <= kPairPieceTable || !fib.Has(pairs, 8 * pair_count)) {
    return Corrupt("too few structure offsets (" + std::to_string(pair_count) + ")");
  }
  auto pair = [&](int index) {
    return FcLcb{fib.U32(pairs + 8 * index), fib.U32(pairs + 8 * index + 4)};
  };
  out->character_bins = pair(kPairCharacterBins);
  out->paragraph_bins = pair(kPairParagraphBins);
  out->piece_table = pair(kPairPieceTable);
  ReadListsAndNotes(fib, longs, cslw, pairs, pair_count, out);
  if (pair_count > kPairTextBoxes) {
    out->shape_anchors = pair(kPairShapeAnchors);
    out->text_boxes = pair(kPairTextBoxes);
  }
  return Status();
}

Status CheckFibAgainstTableStream(Fib* fib, uint64_t table_stream_size) {
  auto inside = [&](const FcLcb& pair) {
    return uint64_t{pair.fc} + pair.lcb <= table_stream_size;
  };
  if (!inside(fib->character_bins))
    return Corrupt("the character property table lies outside the table stream");
  if (!inside(fib->paragraph_bins))
    return Corrupt("the paragraph property table lies outside the table stream");
  if (!inside(fib->piece_table)) return Corrupt("the piece table lies outside the table stream");
  if (!inside(fib->shape_anchors) || !inside(fib->text_boxes)) {
    fib->shape_anchors = fib->text_boxes = FcLcb();
  }
  return Status();
}

}  // namespace quillmere::document::word97
