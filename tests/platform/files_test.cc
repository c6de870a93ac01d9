#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace quillmere::files {
namespace {

namespace fs = std::filesystem;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quillmere-files-XXXXXX";
    dir_ = mkdtemp(name);
  }
  void TearDown() override {
    chmod(dir_.c_str(), 0755);
    fs::remove_all(dir_);
  }
  std::string dir_;
};

TEST(NativePathTest, BackslashesAndDoubledSeparatorsNameTheSameFile) {
  EXPECT_EQ(NativePath(u"/opt/app\\\\test.doc"), "/opt/app/test.doc");
  EXPECT_EQ(NativePath(u"/opt/app\\cc.html"), "/opt/app/cc.html");
  EXPECT_EQ(NativePath(u"/opt/数据\\\\a.html"), "/opt/数据/a.html");
}

TEST_F(FilesTest, WritesReadsAndReplacesWholeFiles) {
  std::string path = dir_ + "/a.html";
  ASSERT_TRUE(WriteWholeFile(path, "first, longer").ok());
  ASSERT_TRUE(WriteWholeFile(path, "second").ok());  // emptied, not overwritten in place
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "second");
  ASSERT_TRUE(ReplaceWholeFile(path, "third").ok());
  ASSERT_TRUE(ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "third");
  EXPECT_FALSE(Exists(path + ".partial"));
}

TEST_F(FilesTest, FailuresCarryANumberAndNameTheFile) {
  std::string bytes;
  Status missing = ReadWholeFile(dir_ + "/none.doc", 100, &bytes);
  EXPECT_EQ(missing.number(), ErrorNumber::kFileNotFound);
  EXPECT_NE(missing.description().find("none.doc"), std::string::npos);

  ASSERT_TRUE(WriteWholeFile(dir_ + "/big", std::string(101, 'x')).ok());
  EXPECT_EQ(ReadWholeFile(dir_ + "/big", 100, &bytes).number(), ErrorNumber::kFileTooLarge);

  if (geteuid() != 0) {  // root writes through permissions
    chmod(dir_.c_str(), 0555);
    EXPECT_EQ(WriteWholeFile(dir_ + "/new.html", "x").number(), ErrorNumber::kPermissionDenied);
    EXPECT_EQ(ReplaceWholeFile(dir_ + "/new.html", "x").number(), ErrorNumber::kPermissionDenied);
    chmod(dir_.c_str(), 0755);
  }
  fs::create_directory(dir_ + "/in-the-way");
  EXPECT_FALSE(WriteWholeFile(dir_ + "/in-the-way", "x").ok());
  EXPECT_FALSE(ReplaceWholeFile(dir_ + "/in-the-way", "x").ok());
  EXPECT_EQ(ReadWholeFile(dir_, 100, &bytes).number(), ErrorNumber::kPermissionDenied);
}

TEST(ApplicationFolderTest, IsTheFolderOfTheRunningProgram) {
  std::u16string folder = ApplicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'/');
  EXPECT_TRUE(fs::exists(NativePath(folder)));
}

}  // namespace
}  // namespace quillmere::files
