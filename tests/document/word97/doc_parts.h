// Test helper: the streams of a Word document, to edit and pack anew, and
// where the FIB keeps what the tests edit.
#pragma once

#include <cstdint>
#include <string>

namespace quillmere::document::testing {

struct DocParts {
  std::string word_document;
  std::string table;
  std::string data;
  std::u16string table_name = u"1Table";
  std::u16string word_document_name = u"WordDocument";

  // A version 3 compound file holding the three streams.
  std::string Pack() const;
};

// The streams of a fixture made by make_fixtures.sh (which uses "1Table").
DocParts LoadDocParts(const std::string& fixture);

// Offsets in the FIB, found by walking its counts as a reader does.
uint64_t MainTextLengthOffset(const std::string& word_document);
uint64_t FibPairOffset(const std::string& word_document, int index);
constexpr int kParagraphBinsPair = 13;
constexpr int kCharacterBinsPair = 12;
constexpr int kPieceTablePair = 33;

}  // namespace quillmere::document::testing
