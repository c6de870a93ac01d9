// The disk refusing a write while test.html, tabletest.html or cc.html is
// written (a full disk, a file size limit, a missing permission, a folder in
// the way) and a full disk under data.mdb. Each run fails with a number and a
// description naming the file, dt_table keeps its rows, no half-written page
// is left, and the next click works once the fault is gone.
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "run_folder.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

// In the order a run writes them.
constexpr const char* kWrittenFiles[] = {"test.html", "tabletest.html", "cc.html"};

class DiskFaultTest : public testing::RunFolder {
 protected:
  // No "*.partial" file (a page that was being replaced) is left behind.
  void ExpectNoPartialFiles() {
    for (const auto& entry : fs::directory_iterator(dir_)) {
      EXPECT_NE(entry.path().extension(), ".partial") << entry.path() << " is left behind";
    }
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
};

// Through the file system the run writes with, as the disk would fail.
TEST_F(DiskFaultTest, EachWriteRefusedInTurn) {
  ASSERT_TRUE(Click().ok());  // the pages a failed run must leave as they are
  PutBackRowsBefore();
  const std::string page = Read("test.html");
  const std::string preview = Read("cc.html");
  struct Fault {
    int err;
    ErrorNumber number;
  };
  for (Fault fault : {Fault{ENOSPC, ErrorNumber::kDiskFull}, Fault{EFBIG, ErrorNumber::kDiskFull},
                      Fault{EACCES, ErrorNumber::kPermissionDenied}}) {
    for (int n = 1; n <= 3; ++n) {
      SCOPED_TRACE(std::string(std::strerror(fault.err)) + " on " + kWrittenFiles[n - 1]);
      disk_.FailWrite(n, fault.err);
      Status status = Click();
      ExpectReportedAndNothingLost(status, fault.number, kWrittenFiles[n - 1]);
      EXPECT_NE(status.description().find(std::strerror(fault.err)), std::string::npos);
      ExpectNoPartialFiles();
      EXPECT_EQ(Read("test.html"), page);
      EXPECT_EQ(Read("cc.html"), preview);
    }
  }
  ASSERT_TRUE(Click().ok());
  EXPECT_EQ(DtTable().size(), 5u);
}

// cc.html shows only rows that were stored: the page takes its place once
// the transaction has committed, and not when the commit fails.
TEST_F(DiskFaultTest, ThePreviewFollowsTheCommit) {
  {
    testing::OtherConnection reader(db());
    reader.Run("begin; select * from dt_table");  // a reader the commit must wait for
    ExpectReportedAndNothingLost(Click(), ErrorNumber::kDatabaseLocked, "locked");
    reader.Run("commit");
  }
  EXPECT_FALSE(Has("cc.html"));
  ExpectNoPartialFiles();

  // Committed, then the page refused its place: the rows are stored, and
  // the failure says so rather than claiming a rollback.
  disk_.FailRename(3, EACCES);  // test.html, tabletest.html, then cc.html
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kPermissionDenied) << status.ToString();
  EXPECT_NE(status.description().find("rows are stored"), std::string::npos) << status.ToString();
  EXPECT_EQ(DtTable().size(), 5u);
  EXPECT_FALSE(Has("cc.html"));
  ExpectNoPartialFiles();
}

// On the real disk.
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

// The database is not behind the file system the run writes with, so its
// full disk is a real one: a small file system of its own (1 MiB in memory),
// mounted on a folder and filled. Needs the right to mount (root).
class FullDiskTest : public DiskFaultTest {
 protected:
  void SetUp() override {
    small_ = folder_ / "small";
    fs::create_directory(small_);
    if (mount("quillmere-test", small_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=1m") != 0) {
      GTEST_SKIP() << "cannot mount a small file system here (" << std::strerror(errno) << ")";
    }
    mounted_ = true;
    Prepare(small_);
  }
  void TearDown() override {
    if (mounted_) umount2(small_.c_str(), MNT_DETACH);
  }

  void FillTheDisk() {
    struct statvfs st;
    ASSERT_EQ(statvfs(small_.c_str(), &st), 0);
    std::ofstream(small_ + "/filler", std::ios::binary)
        << std::string(uintmax_t{st.f_bavail} * st.f_frsize, '\0');
  }

  std::string small_;
  bool mounted_ = false;
};

TEST_F(FullDiskTest, TheDatabaseOnAFullDiskCannotBeChanged) {
  FillTheDisk();
  Status status = Click();
  ExpectReportedAndNothingLost(status, ErrorNumber::kDatabaseIo, "the disk is full");
  EXPECT_NE(status.description().find("data.mdb"), std::string::npos) << status.ToString();
  EXPECT_FALSE(Has("test.html"));
}

}  // namespace
}  // namespace quillmere
