#include "platform/file_numbers.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/fault_injecting_file_system.h"

namespace quillmere::files {
namespace {

class FileNumbersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quillmere-numbers-XXXXXX";
    dir_ = mkdtemp(name);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string dir_;
  testing::FaultInjectingFileSystem disk_;
  FileNumbers files_{disk_};
};

TEST_F(FileNumbersTest, FreeFileIsTheLowestNumberNotInUse) {
  EXPECT_EQ(files_.FreeFile(), 1);
  ASSERT_TRUE(files_.OpenForOutput(1, dir_ + "/a").ok());
  EXPECT_EQ(files_.FreeFile(), 2);
  ASSERT_TRUE(files_.OpenForOutput(2, dir_ + "/b").ok());
  ASSERT_TRUE(files_.Close(1).ok());
  EXPECT_EQ(files_.FreeFile(), 1);
}

TEST_F(FileNumbersTest, OutputEmptiesTheFileAndBinaryReadsItWhole) {
  std::string path = dir_ + "/t.html";
  ASSERT_TRUE(Disk().WriteWholeFile(path, "an older and longer text").ok());
  ASSERT_TRUE(files_.OpenForOutput(1, path).ok());
  ASSERT_TRUE(files_.Print(1, "n").ok());
  ASSERT_TRUE(files_.Print(1, "ew").ok());
  ASSERT_TRUE(files_.Close(1).ok());

  int f = files_.FreeFile();
  EXPECT_EQ(files_.OpenForBinary(f, path, 2).number(), ErrorNumber::kFileTooLarge);
  ASSERT_TRUE(files_.OpenForBinary(f, path, 3).ok());
  uint64_t length = 0;
  ASSERT_TRUE(files_.Length(f, &length).ok());
  EXPECT_EQ(length, 3u);
  std::string bytes;
  ASSERT_TRUE(files_.Get(f, 100, &bytes).ok());  // asks for more than there is
  EXPECT_EQ(bytes, "new");
  EXPECT_TRUE(files_.Close(f).ok());
}

TEST_F(FileNumbersTest, MisuseAndMissingFilesAreClearFailures) {
  EXPECT_EQ(files_.OpenForBinary(1, dir_ + "/missing", 10).number(), ErrorNumber::kFileNotFound);
  ASSERT_TRUE(files_.OpenForOutput(1, dir_ + "/a").ok());
  EXPECT_FALSE(files_.OpenForOutput(1, dir_ + "/b").ok());  // number in use
  EXPECT_FALSE(files_.Print(7, "x").ok());                  // number not open
  EXPECT_FALSE(files_.OpenForOutput(0, dir_ + "/c").ok());
  EXPECT_FALSE(files_.OpenForOutput(512, dir_ + "/c").ok());
  EXPECT_FALSE(files_.OpenForBinary(2, dir_, 10).ok());  // a folder
  EXPECT_TRUE(files_.Close(9).ok());                     // closing what is not open is harmless
}

TEST_F(FileNumbersTest, AWriteTheDiskRefusesShowsWhenTheFileIsClosed) {
  disk_.FailWrite(1, ENOSPC);
  ASSERT_TRUE(files_.OpenForOutput(1, dir_ + "/a").ok());
  ASSERT_TRUE(files_.Print(1, "text").ok());
  EXPECT_EQ(files_.Close(1).number(), ErrorNumber::kDiskFull);
  EXPECT_EQ(files_.FreeFile(), 1) << "closed all the same";
}

}  // namespace
}  // namespace quillmere::files
