// data.mdb read-only, locked by another process, corrupt, missing, a Jet
// (Access) file, and dt_table missing or lacking a column: each run fails
// with a number and a description that says which, and nothing in the
// database changes.
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "child.h"
#include "run_folder.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::Query;
using testing::ReadFile;
using testing::Rows;

class DatabaseFaultTest : public testing::RunFolder {
 protected:
  // A run that fails before the page is saved writes none of the files.
  void ExpectNoFilesWritten() {
    for (const char* name : {"test.html", "tabletest.html", "cc.html"}) {
      EXPECT_FALSE(Has(name)) << name;
    }
  }
};

// Makes a file or a folder unwritable even for root: the immutable attribute
// (chattr +i) for root, the permission bits for anyone else. Undone when it
// goes.
class Unwritable {
 public:
  explicit Unwritable(const std::string& path) : path_(path) {
    if (geteuid() != 0) {
      fs::permissions(path, fs::perms::owner_read |
                                (fs::is_directory(path) ? fs::perms::owner_exec : fs::perms::none));
      done_ = true;
      return;
    }
    int fd = open(path.c_str(), O_RDONLY);
    int flags = 0;
    if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags |= FS_IMMUTABLE_FL;
      done_ = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    why_ = std::strerror(errno);
    if (fd >= 0) close(fd);
  }
  ~Unwritable() {
    if (!done_) return;
    if (geteuid() != 0) {
      fs::permissions(path_, fs::perms::owner_all);
      return;
    }
    int fd = open(path_.c_str(), O_RDONLY);
    int flags = 0;
    if (ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
      flags &= ~FS_IMMUTABLE_FL;
      ioctl(fd, FS_IOC_SETFLAGS, &flags);
    }
    close(fd);
  }
  bool done() const { return done_; }
  const std::string& why() const { return why_; }

 private:
  std::string path_;
  bool done_ = false;
  std::string why_;
};

TEST_F(DatabaseFaultTest, ReadOnlyDatabase) {
  const std::string bytes = ReadFile(db());
  Unwritable read_only(db());
  if (!read_only.done()) {
    GTEST_SKIP() << "this file system cannot make a file immutable (" << read_only.why() << ")";
  }
  ExpectReportedAndNothingLost(Click(), ErrorNumber::kDatabaseIo, "read-only");
  EXPECT_EQ(ReadFile(db()), bytes);
  ExpectNoFilesWritten();
}

// SQLite writes its journal beside the database: a folder that cannot hold
// it is named as such, not taken for a read-only database.
TEST_F(DatabaseFaultTest, AFolderThatCannotHoldTheJournal) {
  Unwritable folder(dir_);
  if (!folder.done()) GTEST_SKIP() << "cannot make the folder unwritable (" << folder.why() << ")";
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseIo) << status.ToString();
  EXPECT_NE(status.description().find("journal"), std::string::npos) << status.ToString();
  EXPECT_EQ(status.description().find("read-only"), std::string::npos) << status.ToString();
  EXPECT_FALSE(form_.cn->InTransaction());
}

// With the window open, data.mdb deleted and made anew between two clicks:
// the next click opens the new file instead of writing to the deleted one.
TEST_F(DatabaseFaultTest, ADatabaseReplacedBetweenRunsIsOpenedAnew) {
  ASSERT_TRUE(Click().ok());
  const adodb::Connection* cn = form_.cn.get();
  fs::remove(db());
  EXPECT_EQ(Click().number(), ErrorNumber::kDatabaseNotFound);
  ASSERT_TRUE(CreateDataMdb(files::ProgramPath(dir_), kDefaultColumns).ok());
  Status status = Click();
  ASSERT_TRUE(status.ok()) << status.ToString();
  EXPECT_EQ(form_.cn.get(), cn);
  EXPECT_EQ(DtTable().size(), 5u);
  ASSERT_TRUE(Click().ok()) << "and the connection is kept again";
}

// Another process holds the database: writing (a reserved lock, which lets
// readers in) or in the middle of committing (an exclusive lock, which lets
// no one in). It has added a row it never commits.
TEST_F(DatabaseFaultTest, DatabaseLockedByAnotherProcess) {
  for (const char* begin : {"BEGIN IMMEDIATE", "BEGIN EXCLUSIVE"}) {
    SCOPED_TRACE(begin);
    int locked[2], release[2];
    ASSERT_EQ(pipe(locked), 0);
    ASSERT_EQ(pipe(release), 0);
    pid_t other = fork();
    if (other == 0) {
      close(locked[0]);
      close(release[1]);
      sqlite3* handle = nullptr;
      sqlite3_open_v2(db().c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
      std::string sql = std::string(begin) + "; insert into dt_table (field0) values ('other');";
      char ready = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
      (void)!write(locked[1], &ready, 1);
      (void)!read(release[0], &ready, 1);  // until the test lets go
      _exit(0);                            // without committing
    }
    close(locked[1]);
    close(release[0]);
    char ready = 0;
    ASSERT_EQ(read(locked[0], &ready, 1), 1);
    ASSERT_TRUE(ready) << "the other process could not lock the database";

    Status status = Click();
    EXPECT_EQ(status.number(), ErrorNumber::kDatabaseLocked) << status.ToString();
    EXPECT_NE(status.description().find("locked"), std::string::npos) << status.ToString();
    ExpectNoFilesWritten();

    close(release[1]);
    close(locked[0]);
    EXPECT_EQ(testing::Wait(other), 0);
    EXPECT_EQ(DtTable(), kBefore);
  }
  Status status = Click();
  EXPECT_TRUE(status.ok()) << "once the other process is gone: " << status.ToString();
}

TEST_F(DatabaseFaultTest, CorruptDatabases) {
  const std::string good = ReadFile(db());
  ASSERT_GE(good.size(), 8192u);
  struct Case {
    const char* what;
    std::string bytes;
    const char* expected;  // in the description
  };
  std::string bad_table_page = good;  // page 2 holds dt_table
  for (size_t i = 4096; i < 8192; ++i) bad_table_page[i] = static_cast<char>(i * 7);
  std::string bad_header = good;
  for (size_t i = 16; i < 100; ++i) bad_header[i] = '\xA5';
  for (const Case& c : {Case{"a damaged table page", bad_table_page, "is damaged"},
                        Case{"a damaged header", bad_header, "data.mdb"},
                        Case{"cut after the header", good.substr(0, 100), "data.mdb"},
                        Case{"random bytes", std::string(8192, '\x5A'), "not an SQLite"}}) {
    SCOPED_TRACE(c.what);
    form_ = FormState();
    std::ofstream(db(), std::ios::binary | std::ios::trunc) << c.bytes;
    Status status = Click();
    EXPECT_EQ(status.number(), ErrorNumber::kNotADatabase) << status.ToString();
    EXPECT_NE(status.description().find("data.mdb"), std::string::npos) << status.ToString();
    EXPECT_NE(status.description().find(c.expected), std::string::npos) << status.ToString();
    EXPECT_EQ(ReadFile(db()), c.bytes) << "the run must not write to it";
    ExpectNoFilesWritten();
  }
}

TEST_F(DatabaseFaultTest, MissingDatabaseIsNotCreated) {
  fs::remove(db());
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseNotFound) << status.ToString();
  EXPECT_NE(status.description().find("does not exist"), std::string::npos) << status.ToString();
  EXPECT_FALSE(Has("data.mdb"));
  ExpectNoFilesWritten();
}

TEST_F(DatabaseFaultTest, AccessDatabaseIsNamedAsSuch) {
  std::string jet(4096, '\0');
  jet.replace(0, 19, std::string("\x00\x01\x00\x00Standard Jet DB", 19));
  std::ofstream(db(), std::ios::binary | std::ios::trunc) << jet;
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kNotADatabase) << status.ToString();
  EXPECT_NE(status.description().find("Microsoft Access (Jet)"), std::string::npos)
      << status.ToString();
  EXPECT_EQ(ReadFile(db()), jet);
  ExpectNoFilesWritten();
}

TEST_F(DatabaseFaultTest, DtTableMissing) {
  fs::remove(db());
  ASSERT_TRUE(adodb::CreateDatabase(db(), "create table other (a text)").ok());
  Query(db(), "insert into other values ('kept')");
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kStatementFailed) << status.ToString();
  EXPECT_NE(status.description().find("no such table: dt_table"), std::string::npos)
      << status.ToString();
  EXPECT_EQ(Query(db(), "select a from other"), (Rows{{"kept"}}));
  ExpectNoFilesWritten();
}

TEST_F(DatabaseFaultTest, DtTableLackingAColumnTheTableNeeds) {
  // Table 1 of the sample has four columns; this dt_table has two.
  fs::remove(db());
  ASSERT_TRUE(adodb::CreateDatabase(db(), DtTableSchema(2)).ok());
  Query(db(), "insert into dt_table values ('earlier', 'run')");
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kDtTableTooNarrow) << status.ToString();
  EXPECT_NE(status.description().find("has 4 columns"), std::string::npos) << status.ToString();
  EXPECT_FALSE(form_.cn->InTransaction());
  EXPECT_EQ(Query(db(), "select * from dt_table"), (Rows{{"earlier", "run"}}));
  EXPECT_FALSE(Has("cc.html")) << "the preview is written only by a run that completes";
}

}  // namespace
}  // namespace quillmere
