// The program killed (SIGKILL) in the middle of inserting a large table: the
// database, opened again, is intact and dt_table holds exactly the rows it
// had before the run; the next run works.
#include <signal.h>

#include <chrono>
#include <fstream>
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

}  // namespace
}  // namespace quillmere
