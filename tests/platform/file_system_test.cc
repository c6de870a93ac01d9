#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_system.h"

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

TEST(FileNameTest, EveryFileLiesDirectlyInTheFolder) {
  const std::u16string folder = u"/opt/数据";
  EXPECT_EQ(NativePath(DocumentFileName(folder)), "/opt/数据/test.doc");
  EXPECT_EQ(NativePath(WebPageFileName(folder)), "/opt/数据/test.html");
  EXPECT_EQ(NativePath(TableFileName(folder)), "/opt/数据/tabletest.html");
  EXPECT_EQ(NativePath(PreviewFileName(folder)), "/opt/数据/cc.html");
  EXPECT_EQ(NativePath(PreviewTarget(folder)), "/opt/数据/cc.html");
  EXPECT_EQ(NativePath(DatabaseFileName(folder)), "/opt/数据/data.mdb");
}

TEST(FileNameTest, AFolderKeepsItsOwnBackslashes) {
  // U+F05B and U+F05C: the private-use characters the program's form uses.
  for (std::string native : {"/tmp/a\\b", "/tmp/a\\\\b\\", "/tmp/\\", "relative\\x",
                             "/tmp/\\\uF05C\uF05B\\\uF05B\uF05C"}) {
    SCOPED_TRACE(native);
    const std::u16string folder = ProgramPath(native);
    EXPECT_EQ(NativePath(folder), native);
    EXPECT_EQ(NativePath(DocumentFileName(folder)), native + "/test.doc");
    EXPECT_EQ(NativePath(PreviewTarget(folder)), native + "/cc.html");
    EXPECT_EQ(NativePath(DatabaseFileName(folder)), native + "/data.mdb");
  }
}

TEST_F(FilesTest, WritesReadsAndReplacesWholeFiles) {
  std::string path = dir_ + "/a.html";
  ASSERT_TRUE(WriteWholeFile(path, "first, longer").ok());
  ASSERT_TRUE(WriteWholeFile(path, "second").ok());  // emptied, not overwritten in place
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "second");
  ASSERT_TRUE(Disk().ReplaceWholeFile(path, "third").ok());
  ASSERT_TRUE(Disk().ReadWholeFile(path, 100, &bytes).ok());
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
    EXPECT_EQ(Disk().ReplaceWholeFile(dir_ + "/new.html", "x").number(),
              ErrorNumber::kPermissionDenied);
    chmod(dir_.c_str(), 0755);
  }
  fs::create_directory(dir_ + "/in-the-way");
  EXPECT_FALSE(WriteWholeFile(dir_ + "/in-the-way", "x").ok());
  EXPECT_FALSE(Disk().ReplaceWholeFile(dir_ + "/in-the-way", "x").ok());
  EXPECT_FALSE(Exists(dir_ + "/in-the-way.partial")) << "written, not renamed, then removed";
  EXPECT_EQ(ReadWholeFile(dir_, 100, &bytes).number(), ErrorNumber::kNotAFile);
}

// A FIFO without a writer, a device and a folder are refused at once, never
// waited on; a link is read as the file it names but never written through.
TEST_F(FilesTest, OnlyFilesAreReadAndLinksAreReplacedNotFollowed) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo.doc").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir_ + "/zero.doc");
  std::string bytes;
  for (std::string name : {"fifo.doc", "zero.doc", ""}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Disk().ReadWholeFile(dir_ + "/" + name, 100, &bytes).number(),
              ErrorNumber::kNotAFile);
    EXPECT_EQ(ReadFileHead(dir_ + "/" + name, 10, &bytes).number(), ErrorNumber::kNotAFile);
  }

  const std::string target = dir_ + "/target", link = dir_ + "/tabletest.html";
  ASSERT_TRUE(WriteWholeFile(target, "the file linked to").ok());
  fs::create_symlink(target, link);
  ASSERT_TRUE(Disk().ReadWholeFile(link, 100, &bytes).ok());
  EXPECT_EQ(bytes, "the file linked to");
  EXPECT_FALSE(WriteWholeFile(link, "x").ok());
  fs::create_symlink(target, link + ".partial");  // a link where the new file is made
  ASSERT_TRUE(Disk().ReplaceWholeFile(link, "written").ok());
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_FALSE(fs::exists(link + ".partial"));
  ASSERT_TRUE(ReadWholeFile(link, 100, &bytes).ok());
  EXPECT_EQ(bytes, "written");
  ASSERT_TRUE(ReadWholeFile(target, 100, &bytes).ok());
  EXPECT_EQ(bytes, "the file linked to");
}

TEST(ApplicationFolderTest, IsTheFolderOfTheRunningProgram) {
  std::u16string folder = ApplicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'/');
  EXPECT_TRUE(fs::exists(NativePath(folder)));
}

}  // namespace
}  // namespace quillmere::files
