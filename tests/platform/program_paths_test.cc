#include "platform/program_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quillmere::files {
namespace {

TEST(ProgramPathTest, EveryFileLiesDirectlyInTheFolder) {
  const std::u16string folder = u"/opt/数据";
  EXPECT_EQ(NativePath(DocumentFileName(folder)), "/opt/数据/test.doc");
  EXPECT_EQ(NativePath(WebPageFileName(folder)), "/opt/数据/test.html");
  EXPECT_EQ(NativePath(TableFileName(folder)), "/opt/数据/tabletest.html");
  EXPECT_EQ(NativePath(PreviewFileName(folder)), "/opt/数据/cc.html");
  EXPECT_EQ(NativePath(PreviewTarget(folder)), "/opt/数据/cc.html");
  EXPECT_EQ(NativePath(DatabaseFileName(folder)), "/opt/数据/data.mdb");
}

TEST(ProgramPathTest, AFolderKeepsItsOwnBackslashesAndBytes) {
  // U+F05B, U+F05C and U+F080 to U+F0FF: the private-use characters the
  // program's form uses; bytes that are no UTF-8 (a name is bytes).
  for (std::string native :
       {"/tmp/a\\b", "/tmp/a\\\\b\\", "/tmp/\\", "relative\\x", "/tmp/\\\uF05C\uF05B\\\uF05B\uF05C",
        "/tmp/bad\xFE\xFF\xED\xA0\x80\xC3", "/tmp/\uF0FE\uF080\xFE"}) {
    SCOPED_TRACE(native);
    const std::u16string folder = ProgramPath(native);
    EXPECT_EQ(NativePath(folder), native);
    EXPECT_EQ(NativePath(DocumentFileName(folder)), native + "/test.doc");
    EXPECT_EQ(NativePath(PreviewTarget(folder)), native + "/cc.html");
    EXPECT_EQ(NativePath(DatabaseFileName(folder)), native + "/data.mdb");
  }
}

TEST(ApplicationFolderTest, IsTheFolderOfTheRunningProgram) {
  std::u16string folder = ApplicationFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'/');
  EXPECT_TRUE(std::filesystem::exists(NativePath(folder)));
}

}  // namespace
}  // namespace quillmere::files
