// Damaged and hostile Word documents: each must give a clear error (or a
// harmless reading), never a crash, a hang or a huge allocation. They are
// made by editing the streams of plain.doc and packing them anew.
#include <gtest/gtest.h>

#include <filesystem>

#include "compound_file_writer.h"
#include "doc_parts.h"
#include "document/word97/little_endian.h"
#include "document/word97/reader.h"
#include "test_files.h"

namespace quillmere::document::word97 {
namespace {

using testing::PutU16;
using testing::PutU32;

using Parts = testing::DocParts;
using testing::FibPairOffset;
using testing::kPieceTablePair;
using testing::MainTextLengthOffset;

Parts PlainDoc() { return testing::LoadDocParts("plain.doc"); }

Status Read(const Parts& parts) {
  Document document;
  Status status = ReadDocument(parts.Pack(), &document);
  if (!status.ok()) {
    EXPECT_TRUE(document.body.empty());
  }
  return status;
}

void ExpectError(const Parts& parts, ErrorNumber number, const std::string& words) {
  Status status = Read(parts);
  EXPECT_EQ(status.number(), number) << status.ToString();
  EXPECT_NE(status.description().find(words), std::string::npos) << status.description();
}

TEST(Word97HostileTest, TheRepackedDocumentReads) { EXPECT_TRUE(Read(PlainDoc()).ok()); }

TEST(Word97HostileTest, EncryptedAndObfuscatedDocumentsArePasswordProtected) {
  for (uint16_t flag : {0x0100, 0x8100}) {
    Parts parts = PlainDoc();
    PutU16(&parts.word_document, 0x0A, LittleEndian(parts.word_document).U16(0x0A) | flag);
    ExpectError(parts, ErrorNumber::kPasswordProtected, "password");
  }
}

TEST(Word97HostileTest, OlderWordFormatsAndOtherFilesAreUnsupported) {
  Parts word6 = PlainDoc();
  PutU16(&word6.word_document, 0, 0xA5DC);
  ExpectError(word6, ErrorNumber::kUnsupportedFormat, "Word 6.0/95");
  Parts old_version = PlainDoc();
  PutU16(&old_version.word_document, 2, 104);
  ExpectError(old_version, ErrorNumber::kUnsupportedFormat, "Word 6.0/95");
  Parts other = PlainDoc();
  other.word_document_name = u"Workbook";
  ExpectError(other, ErrorNumber::kUnsupportedFormat, "no Word document");
}

TEST(Word97HostileTest, MissingOrShortStructuresAreCorrupt) {
  Parts no_table = PlainDoc();
  no_table.table_name = u"0Table";
  ExpectError(no_table, ErrorNumber::kCorruptDocument, "table stream is missing");

  Parts short_fib = PlainDoc();
  short_fib.word_document.resize(20);
  ExpectError(short_fib, ErrorNumber::kCorruptDocument, "cut off");

  Parts few_pairs = PlainDoc();
  PutU16(&few_pairs.word_document, FibPairOffset(few_pairs.word_document, 0) - 2, 20);
  ExpectError(few_pairs, ErrorNumber::kCorruptDocument, "too few");

  Parts outside = PlainDoc();
  PutU32(&outside.word_document, FibPairOffset(outside.word_document, kPieceTablePair), 0xFFFFFF00);
  ExpectError(outside, ErrorNumber::kCorruptDocument, "outside the table stream");
}

TEST(Word97HostileTest, BrokenPieceTablesAreCorrupt) {
  Parts absurd_length = PlainDoc();
  PutU32(&absurd_length.word_document, MainTextLengthOffset(absurd_length.word_document),
         0x7FFFFFF0);
  ExpectError(absurd_length, ErrorNumber::kCorruptDocument, "piece table");

  Parts parts = PlainDoc();
  uint32_t clx =
      LittleEndian(parts.word_document).U32(FibPairOffset(parts.word_document, kPieceTablePair));
  Parts not_pieces = parts;
  not_pieces.table[clx] = 0x07;
  ExpectError(not_pieces, ErrorNumber::kCorruptDocument, "holds no pieces");

  // The single piece's text starts far outside the document stream.
  Parts stray_text = parts;
  uint32_t lcb = LittleEndian(parts.table).U32(clx + 1);
  uint64_t descriptor = clx + 5 + 8 + 2;  // two CPs, then the descriptor's flags
  ASSERT_EQ(lcb, 4 + 4 + 8u);
  PutU32(&stray_text.table, descriptor, 0x3FFFFFF0);
  ExpectError(stray_text, ErrorNumber::kCorruptDocument, "outside the document stream");
}

TEST(Word97HostileTest, SharedPropertiesCannotMultiplyTheWork) {
  // Every paragraph gets, through its piece, a property entry of thousands of
  // sprmPHugePapx, each pointing to 60 KB of sprms in the Data stream.
  Parts parts = PlainDoc();
  std::string blob;
  for (int i = 0; i < 20000; ++i) blob += std::string("\x16\x24\x01", 3);  // sprmPFInTable 1
  Parts hostile = parts;
  hostile.data.assign(2, '\0');
  PutU16(&hostile.data, 0, static_cast<uint16_t>(blob.size()));
  hostile.data += blob;
  std::string grpprl;
  for (int i = 0; i < 4000; ++i)
    grpprl += std::string("\x46\x66\x00\x00\x00\x00", 6);  // sprmPHugePapx, offset 0
  // A new piece table at the end of the table stream: the Prc, then the old pieces with Prm1 =
  // entry 0.
  uint64_t pair = FibPairOffset(parts.word_document, kPieceTablePair);
  LittleEndian fib(parts.word_document);
  std::string old_clx = parts.table.substr(fib.U32(pair), fib.U32(pair + 4));
  std::string clx = "\x01" + std::string(2, '\0') + grpprl + old_clx;
  PutU16(&clx, 1, static_cast<uint16_t>(grpprl.size()));
  PutU16(&clx, 3 + grpprl.size() + 5 + 8 + 6, 0x0001);  // the piece's Prm
  PutU32(&hostile.word_document, pair, static_cast<uint32_t>(hostile.table.size()));
  PutU32(&hostile.word_document, pair + 4, static_cast<uint32_t>(clx.size()));
  hostile.table += clx;
  // The reader counts the sprms and gives up once they pass its limits.
  ExpectError(hostile, ErrorNumber::kCorruptDocument, "far more of them than the file could hold");
}

TEST(Word97HostileTest, ParagraphPagesOutsideTheStreamLeaveOneParagraph) {
  Parts parts = PlainDoc();
  uint64_t pair = FibPairOffset(parts.word_document, 13);  // the paragraph bin table
  LittleEndian fib(parts.word_document);
  uint32_t bins = fib.U32(pair);
  uint32_t count = (fib.U32(pair + 4) - 4) / 8;
  for (uint32_t i = 0; i < count; ++i)
    PutU32(&parts.table, bins + 4 * (count + 1) + 4 * i, 0x3FFFFF);
  Document document;
  ASSERT_TRUE(ReadDocument(parts.Pack(), &document).ok());
  EXPECT_EQ(document.body.size(), 1u);
}

TEST(Word97HostileTest, FilesTheFuzzerFoundFailCleanly) {
  // Each once crashed the reader; see each file's name for what it holds.
  std::string folder = std::string(QUILLMERE_TEST_DATA) + "/fuzz_regressions";
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    SCOPED_TRACE(entry.path().filename().string());
    Document document;
    Status status = ReadDocument(testing::ReadFileBytes(entry.path().string()), &document);
    if (!status.ok()) {
      EXPECT_TRUE(document.body.empty());
    }
    ++count;
  }
  EXPECT_GT(count, 0);
}

}  // namespace
}  // namespace quillmere::document::word97
