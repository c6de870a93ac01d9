#include "document/word97/compound_file.h"

#include <gtest/gtest.h>

#include <random>

#include "compound_file_writer.h"

namespace quillmere::document::word97 {
namespace {

using testing::CompoundFileLayout;
using testing::PutU32;
using testing::WriteCompoundFile;

std::string Pattern(size_t size, int seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + seed) % 251);
  return bytes;
}

// A file with a large stream (regular sectors), a small one (mini stream)
// and an empty one.
std::string SampleFile(int version, CompoundFileLayout* layout = nullptr) {
  return WriteCompoundFile(
      {{u"WordDocument", Pattern(10000, 1)}, {u"1Table", Pattern(300, 2)}, {u"Data", ""}}, version,
      layout);
}

Status ReadNamed(std::string_view file_bytes, std::u16string_view name, std::string* out) {
  CompoundFile file;
  QM_RETURN_IF_ERROR(CompoundFile::Open(file_bytes, &file));
  std::optional<uint32_t> entry = file.FindStream(name);
  if (!entry) return Status(ErrorNumber::kFileNotFound, "no such stream");
  return file.ReadStream(*entry, out);
}

void ExpectCorrupt(const std::string& file_bytes, std::u16string_view stream,
                   const std::string& words) {
  std::string out;
  Status status = ReadNamed(file_bytes, stream, &out);
  EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument) << status.ToString();
  EXPECT_NE(status.description().find(words), std::string::npos) << status.description();
}

TEST(CompoundFileTest, ReadsLargeSmallAndEmptyStreamsWithBothSectorSizes) {
  for (int version : {3, 4}) {
    SCOPED_TRACE(version);
    std::string file_bytes = SampleFile(version);
    std::string out;
    ASSERT_TRUE(ReadNamed(file_bytes, u"WordDocument", &out).ok());
    EXPECT_EQ(out, Pattern(10000, 1));
    ASSERT_TRUE(ReadNamed(file_bytes, u"1table", &out).ok());  // names ignore ASCII case
    EXPECT_EQ(out, Pattern(300, 2));
    ASSERT_TRUE(ReadNamed(file_bytes, u"Data", &out).ok());
    EXPECT_EQ(out, "");
    EXPECT_EQ(ReadNamed(file_bytes, u"0Table", &out).number(), ErrorNumber::kFileNotFound);
  }
}

TEST(CompoundFileTest, FollowsTheDifatPastTheHeadersFatSectors) {
  // 8 MB of 512-byte sectors need more FAT sectors than the header lists.
  std::string big = Pattern(8 << 20, 3);
  CompoundFileLayout layout;
  std::string file_bytes = WriteCompoundFile({{u"WordDocument", big}}, 3, &layout);
  ASSERT_GT(layout.fat_sector_count, 109u);
  std::string out;
  ASSERT_TRUE(ReadNamed(file_bytes, u"WordDocument", &out).ok());
  EXPECT_EQ(out, big);
}

TEST(CompoundFileTest, AShortLastSectorReadsAsZeroPadded) {
  std::string file_bytes = SampleFile(3);
  std::string out;
  ASSERT_TRUE(ReadNamed(file_bytes.substr(0, file_bytes.size() - 100), u"WordDocument", &out).ok());
  EXPECT_EQ(out.substr(0, 9000), Pattern(10000, 1).substr(0, 9000));
}

TEST(CompoundFileHostileTest, InputWithoutTheSignatureIsNotACompoundFile) {
  CompoundFile file;
  EXPECT_EQ(CompoundFile::Open("", &file).number(), ErrorNumber::kUnsupportedFormat);
  EXPECT_EQ(CompoundFile::Open("<?xml version=\"1.0\"?><w:wordDocument/>", &file).number(),
            ErrorNumber::kUnsupportedFormat);
}

TEST(CompoundFileHostileTest, RejectsBadHeaderFields) {
  CompoundFile file;
  std::string good = SampleFile(3);
  EXPECT_EQ(CompoundFile::Open(good.substr(0, 300), &file).number(), ErrorNumber::kCorruptDocument);
  struct Case {
    uint64_t offset;
    uint32_t value;
    int size;
    const char* words;
  };
  for (const Case& c : {Case{0x1A, 7, 2, "version"}, Case{0x1C, 0xFEFF, 2, "byte order"},
                        Case{0x1E, 16, 2, "sector shift"}, Case{0x20, 7, 2, "mini sector shift"},
                        Case{0x38, 512, 4, "cutoff"}, Case{0x2C, 0x7FFFFFFF, 4, "FAT sectors"}}) {
    std::string bad = good;
    if (c.size == 2) {
      testing::PutU16(&bad, c.offset, static_cast<uint16_t>(c.value));
    } else {
      PutU32(&bad, c.offset, c.value);
    }
    Status status = CompoundFile::Open(bad, &file);
    EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument) << c.words;
    EXPECT_NE(status.description().find(c.words), std::string::npos) << status.description();
  }
}

TEST(CompoundFileHostileTest, LoopingAndStrayChainsAreErrors) {
  CompoundFileLayout layout;
  std::string good = SampleFile(3, &layout);
  uint32_t word_document = layout.stream_start[0];

  std::string bad = good;
  PutU32(&bad, layout.FatEntryOffset(word_document + 3), word_document);
  ExpectCorrupt(bad, u"WordDocument", "loops");

  bad = good;
  PutU32(&bad, layout.FatEntryOffset(word_document), 0xFFFFFFFD);
  ExpectCorrupt(bad, u"WordDocument", "special");

  bad = good;
  PutU32(&bad, layout.FatEntryOffset(word_document), 5000000);
  ExpectCorrupt(bad, u"WordDocument", "outside the file");

  bad = good;
  PutU32(&bad, layout.FatEntryOffset(word_document + 5), 0xFFFFFFFE);
  ExpectCorrupt(bad, u"WordDocument", "shorter than its size");

  bad = good;
  PutU32(&bad, layout.FatEntryOffset(layout.first_directory_sector), layout.first_directory_sector);
  ExpectCorrupt(bad, u"WordDocument", "loops");

  // The small stream's mini FAT chain loops onto itself.
  bad = good;
  uint32_t table = layout.stream_start[1];
  PutU32(&bad, layout.SectorOffset(layout.first_mini_fat_sector) + 4 * (table + 1), table);
  ExpectCorrupt(bad, u"1Table", "loops");
}

TEST(CompoundFileHostileTest, SizesLargerThanTheFileAreErrors) {
  CompoundFileLayout layout;
  std::string good = SampleFile(3, &layout);
  std::string bad = good;
  PutU32(&bad, layout.directory_offset + 128 + 0x78, 0xFFFFFF00);
  ExpectCorrupt(bad, u"WordDocument", "larger than the file");
  bad = good;
  PutU32(&bad, layout.directory_offset + 2 * 128 + 0x78,
         4000);  // small stream, beyond the mini stream
  ExpectCorrupt(bad, u"1Table", "larger than the mini stream");
  // A version 3 file's size ignores the high half, which may hold garbage.
  bad = good;
  PutU32(&bad, layout.directory_offset + 128 + 0x7C, 0xDEADBEEF);
  std::string out;
  EXPECT_TRUE(ReadNamed(bad, u"WordDocument", &out).ok());
  EXPECT_EQ(out.size(), 10000u);
}

TEST(CompoundFileHostileTest, DirectoryCyclesAndBadEntryNumbersEndTheSearch) {
  CompoundFileLayout layout;
  std::string bad = SampleFile(3, &layout);
  PutU32(&bad, layout.directory_offset + 128 + 0x44, 1);      // left sibling: itself
  PutU32(&bad, layout.directory_offset + 2 * 128 + 0x48, 1);  // right sibling: back to the first
  PutU32(&bad, layout.directory_offset + 3 * 128 + 0x44, 99999);  // past the directory
  CompoundFile file;
  ASSERT_TRUE(CompoundFile::Open(bad, &file).ok());
  EXPECT_TRUE(file.FindStream(u"1Table").has_value());
  EXPECT_FALSE(file.FindStream(u"Data").has_value());  // only reachable through the broken link
}

TEST(CompoundFileHostileTest, DifatLoopIsAnError) {
  CompoundFileLayout layout;
  std::string bad = WriteCompoundFile({{u"WordDocument", Pattern(8 << 20, 4)}}, 3, &layout);
  uint32_t difat = layout.fat_sector_count;  // the DIFAT sector follows the FAT
  PutU32(&bad, 0x2C, layout.fat_sector_count + 200);
  PutU32(&bad, layout.SectorOffset(difat) + 508, difat);
  CompoundFile file;
  Status status = CompoundFile::Open(bad, &file);
  EXPECT_EQ(status.number(), ErrorNumber::kCorruptDocument);
  EXPECT_NE(status.description().find("DIFAT"), std::string::npos) << status.description();
}

TEST(CompoundFileHostileTest, EveryTruncationAndRandomTailFailsCleanlyOrReadsTheRightBytes) {
  std::string good = SampleFile(3);
  for (size_t size = 0; size < good.size(); size += 37) {
    std::string out;
    Status status = ReadNamed(good.substr(0, size), u"WordDocument", &out);
    if (status.ok()) {
      EXPECT_EQ(out.size(), 10000u);
    }
  }
  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::string bad = good;
    for (size_t i = 512; i < bad.size(); ++i) bad[i] = static_cast<char>(random());
    std::string out;
    Status status = ReadNamed(bad, u"WordDocument", &out);
    EXPECT_FALSE(status.ok());
  }
}

}  // namespace
}  // namespace quillmere::document::word97
