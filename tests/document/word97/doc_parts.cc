#include "doc_parts.h"

#include <gtest/gtest.h>

#include "compound_file_writer.h"
#include "document/word97/compound_file.h"
#include "document/word97/little_endian.h"
#include "test_files.h"

namespace quillmere::document::testing {

std::string DocParts::Pack() const {
  return WriteCompoundFile(
      {{word_document_name, word_document}, {table_name, table}, {u"Data", data}}, 3);
}

DocParts LoadDocParts(const std::string& fixture) {
  std::string bytes = Fixture(fixture);
  word97::CompoundFile file;
  EXPECT_TRUE(word97::CompoundFile::Open(bytes, &file).ok());
  DocParts parts;
  EXPECT_TRUE(file.ReadStream(*file.FindStream(u"WordDocument"), &parts.word_document).ok());
  EXPECT_TRUE(file.ReadStream(*file.FindStream(u"1Table"), &parts.table).ok());
  if (auto data = file.FindStream(u"Data")) {
    EXPECT_TRUE(file.ReadStream(*data, &parts.data).ok());
  }
  return parts;
}

uint64_t MainTextLengthOffset(const std::string& word_document) {
  word97::LittleEndian fib(word_document);
  return 0x22 + 2 * uint64_t{fib.U16(0x20)} + 2 + 12;
}

uint64_t FibPairOffset(const std::string& word_document, int index) {
  word97::LittleEndian fib(word_document);
  uint64_t at = 0x22 + 2 * uint64_t{fib.U16(0x20)};
  at += 2 + 4 * uint64_t{fib.U16(at)};
  return at + 2 + 8 * uint64_t(index);
}

}  // namespace quillmere::document::testing
