// The disk refusing a write while test.html, tabletest.html or cc.html is
// written: a folder standing in the way, a full file system, a file size
// limit. Each run fails with a number and a description naming the file,
// dt_table keeps its rows, no half-written file is left, and the next click
// works once the fault is gone.
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>

#include "child.h"
#include "run_folder.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Rows;

constexpr const char* kWrittenFiles[] = {"test.html", "tabletest.html", "cc.html"};

class DiskFaultTest : public testing::RunFolder {
 protected:
  // No "*.partial" file (a page that was being replaced) is left behind.
  void ExpectNoPartialFiles() {
    for (const auto& entry : fs::directory_iterator(dir_)) {
      EXPECT_NE(entry.path().extension(), ".partial") << entry.path() << " is left behind";
    }
  }

  // Sizes of the three files a good run writes, in this folder.
  std::map<std::string, uintmax_t> WrittenSizes() {
    std::map<std::string, uintmax_t> sizes;
    for (const char* name : kWrittenFiles) sizes[name] = fs::file_size(dir_ + "/" + name);
    return sizes;
  }
};

TEST_F(DiskFaultTest, AFolderInTheWayOfEachFileItWrites) {
  for (const char* name : kWrittenFiles) {
    SCOPED_TRACE(name);
    fs::create_directory(dir_ + "/" + name);
    std::ofstream(dir_ + "/" + name + "/keep") << "a folder that is not empty";
    ExpectReportedAndNothingLost(Click(), ErrorNumber::kPermissionDenied, name);
    ExpectNoPartialFiles();
    fs::remove_all(dir_ + "/" + name);
  }
  // The fault gone, the next click (on the same connection) goes through.
  ASSERT_TRUE(Click().ok());
  EXPECT_EQ(DtTable().size(), 5u);
  EXPECT_EQ(DtTable()[0], (std::vector<std::string>{"widgeta", "第一季度", "120"}));
}

// A small file system of its own (1 MiB in memory, filled until just the room
// a case wants is left), mounted on a folder; the database stays on the real
// disk (data.mdb is a link to it), so only the three files are written to the
// small one. Needs the right to mount (root).
class FullDiskTest : public DiskFaultTest {
 protected:
  void SetUp() override {
    DiskFaultTest::SetUp();
    Status first = Click();  // a good run, to learn the sizes of the files
    ASSERT_TRUE(first.ok()) << first.ToString();
    sizes_ = WrittenSizes();
    PutBackRowsBefore();
    real_db_ = db();
    small_ = folder_ / "small";
    fs::create_directory(small_);
    if (mount("quillmere-test", small_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0) {
      GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno)
                   << "); the folder-in-the-way and file-size-limit tests cover the same paths";
    }
    mounted_ = true;
    fs::copy_file(QUILLMERE_SOURCE_DIR "/samples/test.doc", small_ + "/test.doc");
    fs::create_symlink(real_db_, small_ + "/data.mdb");
    form_ = FormState();
    dir_ = small_;
  }
  void TearDown() override {
    if (mounted_) umount2(small_.c_str(), MNT_DETACH);
  }

  // Fills the small file system until `pages` pages of 4 KiB stay free.
  void LeaveFree(uintmax_t pages) {
    struct statvfs st;
    ASSERT_EQ(statvfs(small_.c_str(), &st), 0);
    const uintmax_t free_bytes = uintmax_t{st.f_bavail} * st.f_frsize;
    ASSERT_GE(free_bytes, pages * 4096);
    std::ofstream(small_ + "/filler", std::ios::binary)
        << std::string(free_bytes - pages * 4096, '\0');
  }
  static uintmax_t Pages(uintmax_t bytes) { return (bytes + 4095) / 4096; }

  std::map<std::string, uintmax_t> sizes_;
  std::string real_db_, small_;
  bool mounted_ = false;
};

TEST_F(FullDiskTest, TheDiskFillsWhileEachFileIsWritten) {
  // Room for none of the files, then for test.html only, then for test.html
  // and tabletest.html: each of the three in turn meets a full disk.
  uintmax_t room = 0;
  for (const char* name : kWrittenFiles) {
    SCOPED_TRACE(name);
    for (const char* old : kWrittenFiles) fs::remove(small_ + "/" + old);
    fs::remove(small_ + "/filler");
    LeaveFree(room);
    Status status = Click();
    ExpectReportedAndNothingLost(status, ErrorNumber::kDiskFull, name);
    EXPECT_NE(status.description().find(std::strerror(ENOSPC)), std::string::npos);
    ExpectNoPartialFiles();
    room += Pages(sizes_[name]);
  }
  fs::remove(small_ + "/filler");
  Status status = Click();
  EXPECT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(DtTable().size(), 5u);
}

TEST_F(FullDiskTest, TheDatabaseOnAFullDiskCannotBeChanged) {
  fs::remove(small_ + "/data.mdb");
  fs::copy_file(real_db_, small_ + "/data.mdb");
  LeaveFree(0);
  Status status = Click();
  ExpectReportedAndNothingLost(status, ErrorNumber::kDatabaseIo, "the disk is full");
  EXPECT_NE(status.description().find("data.mdb"), std::string::npos) << status.ToString();
  EXPECT_FALSE(Has("test.html"));
}

// Without the right to mount, a file size limit on the process makes the
// same failure: writes beyond it fail with EFBIG, as on a full disk.
TEST_F(DiskFaultTest, AFileSizeLimitStopsTheRunWhileTestHtmlIsWritten) {
  // A good run first, to learn the sizes: the limit lies above data.mdb and
  // the smaller files and below test.html.
  ASSERT_TRUE(Click().ok());
  const uintmax_t page = fs::file_size(dir_ + "/test.html");
  const uintmax_t database = fs::file_size(db());
  ASSERT_LT(database + 4096, page) << "the sample page must be the largest file";
  PutBackRowsBefore();
  fs::remove(dir_ + "/test.html");

  testing::ChildOptions options;
  options.folder = dir_;
  options.err = folder_ / "stderr";
  options.max_file_bytes = (database + 4096 + page) / 2;
  int exit_code = testing::Wait(testing::Start({QUILLMERE_BINARY, "run", dir_}, options));
  const std::string err = testing::ReadFile(options.err);
  EXPECT_EQ(exit_code, 1);
  EXPECT_EQ(err.rfind("error 1004: ", 0), 0u) << err;
  EXPECT_NE(err.find("test.html"), std::string::npos) << err;
  EXPECT_NE(err.find(std::strerror(EFBIG)), std::string::npos) << err;
  EXPECT_EQ(DtTable(), kBefore);
  EXPECT_FALSE(Has("test.html"));
  ExpectNoPartialFiles();
}

}  // namespace
}  // namespace quillmere
