#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace quillmere::files {
namespace {

namespace fs = std::filesystem;

class FileSystemTest : public ::testing::Test {
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

TEST_F(FileSystemTest, WritesReadsAndReplacesWholeFiles) {
  std::string path = dir_ + "/a.html";
  ASSERT_TRUE(Disk().WriteWholeFile(path, "first, longer").ok());
  ASSERT_TRUE(Disk().WriteWholeFile(path, "second").ok());  // emptied, not overwritten in place
  std::string bytes;
  ASSERT_TRUE(Disk().ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "second");
  ASSERT_TRUE(Disk().ReplaceWholeFile(path, "third").ok());
  ASSERT_TRUE(Disk().ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "third");
  EXPECT_FALSE(Disk().Exists(path + ".partial"));
}

TEST_F(FileSystemTest, AMoveThatMustNotReplaceLeavesWhatStandsThere) {
  const std::string from = dir_ + "/new", to = dir_ + "/taken";
  ASSERT_TRUE(Disk().WriteWholeFile(from, "new").ok());
  ASSERT_TRUE(Disk().WriteWholeFile(to, "mine").ok());
  // Even a link that leads nowhere stands in the way.
  ASSERT_EQ(symlink("nowhere", (dir_ + "/link").c_str()), 0);
  for (const std::string& taken : {to, dir_ + "/link"}) {
    EXPECT_EQ(Disk().RenameNoReplace(from, taken).number(), ErrorNumber::kFileExists) << taken;
  }
  std::string bytes;
  ASSERT_TRUE(Disk().ReadWholeFile(to, 100, &bytes).ok());
  EXPECT_EQ(bytes, "mine");
  ASSERT_TRUE(Disk().RenameNoReplace(from, dir_ + "/free").ok());
  EXPECT_FALSE(Disk().Exists(from));
  EXPECT_TRUE(Disk().Exists(dir_ + "/free"));
}

TEST_F(FileSystemTest, AFileWrittenInPiecesIsThePiecesJoinedOrNotThereAtAll) {
  const std::string path = dir_ + "/page.html";
  auto three_pieces = [](const FileSystem::PieceWriter& write) {
    for (std::string_view piece : {"<table>", "", "rows</table>"}) {
      QM_RETURN_IF_ERROR(write(piece));
    }
    return Status();
  };
  ASSERT_TRUE(Disk().ReplaceWholeFileInPieces(path, three_pieces).ok());
  std::string bytes;
  ASSERT_TRUE(Disk().ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "<table>rows</table>");

  // A failure while the pieces come leaves the file it would have replaced.
  const Status failed =
      Disk().ReplaceWholeFileInPieces(path, [](const FileSystem::PieceWriter& write) {
        QM_RETURN_IF_ERROR(write("half a page"));
        return Status(ErrorNumber::kDocumentTooLarge, "too large");
      });
  EXPECT_EQ(failed.number(), ErrorNumber::kDocumentTooLarge);
  ASSERT_TRUE(Disk().ReadWholeFile(path, 100, &bytes).ok());
  EXPECT_EQ(bytes, "<table>rows</table>");
  EXPECT_FALSE(Disk().Exists(path + ".partial"));
}

TEST_F(FileSystemTest, FailuresCarryANumberAndNameTheFile) {
  std::string bytes;
  Status missing = Disk().ReadWholeFile(dir_ + "/none.doc", 100, &bytes);
  EXPECT_EQ(missing.number(), ErrorNumber::kFileNotFound);
  EXPECT_NE(missing.description().find("none.doc"), std::string::npos);

  ASSERT_TRUE(Disk().WriteWholeFile(dir_ + "/big", std::string(101, 'x')).ok());
  EXPECT_EQ(Disk().ReadWholeFile(dir_ + "/big", 100, &bytes).number(), ErrorNumber::kFileTooLarge);

  if (geteuid() != 0) {  // root writes through permissions
    chmod(dir_.c_str(), 0555);
    EXPECT_EQ(Disk().WriteWholeFile(dir_ + "/new.html", "x").number(),
              ErrorNumber::kPermissionDenied);
    EXPECT_EQ(Disk().ReplaceWholeFile(dir_ + "/new.html", "x").number(),
              ErrorNumber::kPermissionDenied);
    chmod(dir_.c_str(), 0755);
  }
  fs::create_directory(dir_ + "/in-the-way");
  EXPECT_FALSE(Disk().WriteWholeFile(dir_ + "/in-the-way", "x").ok());
  EXPECT_FALSE(Disk().ReplaceWholeFile(dir_ + "/in-the-way", "x").ok());
  EXPECT_FALSE(Disk().Exists(dir_ + "/in-the-way.partial")) << "written, not renamed, then removed";
  EXPECT_EQ(Disk().ReadWholeFile(dir_, 100, &bytes).number(), ErrorNumber::kNotAFile);

  // A link whose file is missing is named as such: a listing shows it.
  fs::create_symlink(dir_ + "/gone.doc", dir_ + "/test.doc");
  Status dangling = Disk().ReadWholeFile(dir_ + "/test.doc", 100, &bytes);
  EXPECT_EQ(dangling.number(), ErrorNumber::kFileNotFound);
  EXPECT_NE(dangling.description().find("symbolic link to \"" + dir_ + "/gone.doc\""),
            std::string::npos)
      << dangling.ToString();
  // A name's bytes that are no UTF-8, and its control characters, are
  // escaped in the message.
  Status odd = Disk().ReadWholeFile(dir_ + "/a\x1B[31m\xFE\n.doc", 100, &bytes);
  EXPECT_NE(odd.description().find("/a\\x1B[31m\\xFE\\n.doc\""), std::string::npos)
      << odd.ToString();
}

TEST_F(FileSystemTest, EveryPathToAFileHasTheSameIdentity) {
  ASSERT_TRUE(Disk().WriteWholeFile(dir_ + "/f.docx", "x").ok());
  fs::create_directory(dir_ + "/sub");
  fs::create_symlink(dir_ + "/f.docx", dir_ + "/sub/link.docx");
  const std::string identity = Disk().FileIdentity(dir_ + "/f.docx");
  ASSERT_FALSE(identity.empty());
  EXPECT_EQ(Disk().FileIdentity(dir_ + "/sub/../f.docx"), identity);
  EXPECT_EQ(Disk().FileIdentity(dir_ + "/sub/link.docx"), identity);
  ASSERT_TRUE(Disk().WriteWholeFile(dir_ + "/g.docx", "x").ok());
  EXPECT_NE(Disk().FileIdentity(dir_ + "/g.docx"), identity);
  EXPECT_EQ(Disk().FileIdentity(dir_ + "/none.docx"), "");
}

// A FIFO without a writer, a device and a folder are refused at once, never
// waited on; a link is read as the file it names but never written through.
TEST_F(FileSystemTest, OnlyFilesAreReadAndLinksAreReplacedNotFollowed) {
  ASSERT_EQ(mkfifo((dir_ + "/fifo.doc").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", dir_ + "/zero.doc");
  std::string bytes;
  for (std::string name : {"fifo.doc", "zero.doc", ""}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Disk().ReadWholeFile(dir_ + "/" + name, 100, &bytes).number(),
              ErrorNumber::kNotAFile);
    EXPECT_EQ(Disk().ReadFileHead(dir_ + "/" + name, 10, &bytes).number(), ErrorNumber::kNotAFile);
  }

  const std::string target = dir_ + "/target", link = dir_ + "/tabletest.html";
  ASSERT_TRUE(Disk().WriteWholeFile(target, "the file linked to").ok());
  fs::create_symlink(target, link);
  ASSERT_TRUE(Disk().ReadWholeFile(link, 100, &bytes).ok());
  EXPECT_EQ(bytes, "the file linked to");
  EXPECT_FALSE(Disk().WriteWholeFile(link, "x").ok());
  fs::create_symlink(target, link + ".partial");  // a link where the new file is made
  ASSERT_TRUE(Disk().ReplaceWholeFile(link, "written").ok());
  EXPECT_FALSE(fs::is_symlink(link));
  EXPECT_FALSE(fs::exists(link + ".partial"));
  ASSERT_TRUE(Disk().ReadWholeFile(link, 100, &bytes).ok());
  EXPECT_EQ(bytes, "written");
  ASSERT_TRUE(Disk().ReadWholeFile(target, 100, &bytes).ok());
  EXPECT_EQ(bytes, "the file linked to");
}

// The converter's and the first start's folder: private, its own, and
// removed whole.
TEST_F(FileSystemTest, WorkingFoldersArePrivateAndRemovedWithTheirFiles) {
  std::string first, second;
  ASSERT_TRUE(Disk().MakeWorkingFolder(dir_, "work-", &first).ok());
  ASSERT_TRUE(Disk().MakeWorkingFolder(dir_, "work-", &second).ok());
  EXPECT_NE(first, second);
  EXPECT_EQ(first.rfind(dir_ + "/work-", 0), 0u) << first;
  EXPECT_TRUE(Disk().IsFolder(first));
  EXPECT_EQ(fs::status(first).permissions(), fs::perms::owner_all);
  ASSERT_TRUE(Disk().WriteWholeFile(first + "/input", "x").ok());
  fs::create_directory(first + "/out");
  ASSERT_TRUE(Disk().RemoveFolder(first).ok());
  EXPECT_FALSE(Disk().Exists(first));
  EXPECT_TRUE(Disk().RemoveFolder(first).ok()) << "one not there is no failure";

  Status no_parent = Disk().MakeWorkingFolder(dir_ + "/gone", "work-", &first);
  EXPECT_EQ(no_parent.number(), ErrorNumber::kFileNotFound);
  EXPECT_NE(no_parent.description().find(dir_ + "/gone"), std::string::npos);
}

}  // namespace
}  // namespace quillmere::files
