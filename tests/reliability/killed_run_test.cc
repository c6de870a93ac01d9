// The program killed (SIGKILL) in the middle of inserting a large table: the
// database, opened again, is intact and dt_table holds exactly the rows it
// had before the run; the next run works. Stopped by a signal it can handle
// while LibreOffice converts, it leaves no converter and no working folder.
#include <signal.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "child.h"
#include "run_folder.h"

namespace quillmere {
namespace {

using testing::ReadFile;
using testing::Rows;

class KilledRunTest : public testing::RunFolder {};

// Reads a file as another process writes it, line by line.
class Follower {
 public:
  explicit Follower(std::string path) : path_(std::move(path)) {}
  // Whether a whole line equal to `line` has come since the last call that
  // found one; reads on from where the last call stopped.
  bool Saw(const std::string& line) {
    if (!in_.is_open()) in_.open(path_, std::ios::binary);  // once the process made it
    in_.clear();
    std::string read;
    while (std::getline(in_, read)) {
      if (in_.eof()) {  // a line still being written
        partial_ += read;
        break;
      }
      if (partial_ + read == line) {
        partial_.clear();
        return true;
      }
      partial_.clear();
    }
    return false;
  }

 private:
  std::string path_;
  std::ifstream in_;
  std::string partial_;
};

TEST_F(KilledRunTest, KilledWhileInsertingLeavesTheDatabaseAsItWas) {
  // 300,000 rows of three cells, in the shape tabletest.html has.
  constexpr int kRows = 300'000;
  std::string table = "class=MsoTableGrid border=1>\r\n";
  for (int r = 0; r < kRows; ++r) {
    table += " <tr style='mso-yfti-irow:" + std::to_string(r) + "'>\r\n";
    for (int c = 0; c < 3; ++c) {
      table += "  <td width=100 valign=top><p class=MsoNormal>r" + std::to_string(r) + "c" +
               std::to_string(c) + "</p></td>\r\n";
    }
    table += " </tr>\r\n";
  }
  std::ofstream(dir_ + "/tabletest.html", std::ios::binary) << table << "</table>\r\n";
  const std::string journal = db() + "-journal";

  testing::ChildOptions options;
  options.folder = dir_;
  options.err = folder_ / "progress";
  pid_t run = testing::Start(
      {QUILLMERE_BINARY, "convert", "tabletest.html", "--folder", dir_, "--progress"}, options);
  ASSERT_GT(run, 0);
  // The status texts count the rows twice: once as the first pass isolates
  // them, once as the second inserts them. The second "2000" means about
  // 2,000 rows have gone into dt_table.
  Follower progress(options.err);
  int seen = 0;
  for (int i = 0; i < 60'000 && seen < 2; ++i) {
    if (progress.Saw("2000"))
      ++seen;
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  const bool inserting = seen == 2;
  ASSERT_TRUE(inserting) << "the run never reached its inserts";
  ASSERT_EQ(kill(run, SIGKILL), 0);
  ASSERT_EQ(testing::Wait(run), 128 + SIGKILL) << "the run ended before it was killed";
  EXPECT_TRUE(std::filesystem::exists(journal)) << "killed with its transaction open";
  EXPECT_FALSE(Has("cc.html"));

  // Opened again (which rolls the interrupted transaction back), the file is
  // whole and dt_table holds its rows from before.
  EXPECT_EQ(testing::Query(db(), "PRAGMA integrity_check"), (Rows{{"ok"}}));
  EXPECT_EQ(DtTable(), kBefore);

  // The next run works on it.
  std::ofstream(dir_ + "/small.html", std::ios::binary)
      << "x>\r\n<tr a>\r\n<td w>h</td>\r\n<tr a>\r\n<td w>after</td>\r\n";
  testing::ChildOptions quiet;
  quiet.folder = dir_;
  ASSERT_EQ(testing::Wait(testing::Start(
                {QUILLMERE_BINARY, "convert", "small.html", "--folder", dir_}, quiet)),
            0);
  EXPECT_EQ(testing::Query(db(), "select field0 from dt_table"), (Rows{{"after"}}));
}

// Gone, or dead and waiting for a parent to reap it (in a container the
// first process may never do so).
bool ProcessIsGone(pid_t pid) {
  for (int i = 0; i < 100; ++i) {
    std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    size_t state = stat.rfind(") ");
    if (stat.empty() || (state != std::string::npos && stat[state + 2] == 'Z')) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

TEST_F(KilledRunTest, StoppedWhileLibreOfficeConvertsLeavesNoConverterAndNoCopy) {
  // test.doc as rich text, which LibreOffice converts; the stand-in converter
  // starts a child of its own, says who they are, and sleeps.
  std::ofstream(dir_ + "/test.doc", std::ios::binary) << "{\\rtf1 a rich text document}";
  const std::string converter = folder_ / "soffice", pids = folder_ / "pids";
  std::ofstream(converter) << "#!/bin/sh\nsleep 120 &\necho $$ $! > " << pids << ".tmp\nmv " << pids
                           << ".tmp " << pids << "\nwait\n";
  std::filesystem::permissions(converter, std::filesystem::perms::owner_all);
  struct Case {
    std::vector<std::string> command;
    int signal;
  };
  for (const Case& c :
       std::vector<Case>{{{"run", dir_}, SIGTERM},
                         {{"collect", dir_ + "/test.doc", "--folder", dir_}, SIGINT},
                         {{"run", dir_}, SIGHUP}}) {
    SCOPED_TRACE(c.command[0] + " " + sigabbrev_np(c.signal));
    const std::string temp = folder_ / "temp";
    std::filesystem::create_directory(temp);
    std::filesystem::remove(pids);
    testing::ChildOptions options;
    options.folder = dir_;
    options.environment = {"QUILLMERE_SOFFICE=" + converter, "TMPDIR=" + temp};
    std::vector<std::string> args{QUILLMERE_BINARY};
    args.insert(args.end(), c.command.begin(), c.command.end());
    pid_t run = testing::Start(args, options);
    ASSERT_GT(run, 0);
    for (int i = 0; i < 10'000 && !std::filesystem::exists(pids); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(std::filesystem::exists(pids)) << "the converter never started";
    EXPECT_FALSE(std::filesystem::is_empty(temp)) << "the working folder holds the copy";
    ASSERT_EQ(kill(run, c.signal), 0);
    EXPECT_EQ(testing::Wait(run), 128 + c.signal) << "ended by the signal, as it asked";
    std::istringstream started(ReadFile(pids));
    pid_t shell = 0, child = 0;
    started >> shell >> child;
    EXPECT_TRUE(ProcessIsGone(shell)) << "the converter is ended";
    EXPECT_TRUE(ProcessIsGone(child)) << "and what it started";
    EXPECT_TRUE(std::filesystem::is_empty(temp)) << "no working folder, no copy of the document";
    EXPECT_EQ(DtTable(), kBefore);
    std::filesystem::remove_all(temp);
  }
}

}  // namespace
}  // namespace quillmere
