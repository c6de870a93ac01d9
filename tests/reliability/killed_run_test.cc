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

// How many lines of `text` are exactly `line`.
size_t CountLines(const std::string& text, const std::string& line) {
  size_t count = 0;
  for (size_t at = text.find("\n" + line + "\n"); at != std::string::npos;
       at = text.find("\n" + line + "\n", at + 1)) {
    ++count;
  }
  return count;
}

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
  bool inserting = false;
  for (int i = 0; i < 60'000 && !inserting; ++i) {
    inserting = CountLines(ReadFile(options.err), "2000") >= 2;
    if (!inserting) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(inserting) << "the run never reached its inserts";
  ASSERT_EQ(kill(run, SIGKILL), 0);
  ASSERT_EQ(testing::Wait(run), 128 + SIGKILL) << "the run ended before it was killed";
  EXPECT_TRUE(std::filesystem::exists(journal)) << "killed with its transaction open";
  EXPECT_FALSE(Has("cc.html"));

  // Opened again (which rolls the interrupted transaction back), the file is
  // whole and dt_table holds its rows from before.
  EXPECT_EQ(testing::Query(db(), "PRAGMA integrity_check"), (Rows{{"ok"}}));
  EXPECT_EQ(DtTable(), kBefore);

  testing::ChildOptions quiet;
  quiet.folder = dir_;
  ASSERT_EQ(testing::Wait(testing::Start(
                {QUILLMERE_BINARY, "convert", "tabletest.html", "--folder", dir_}, quiet)),
            0);
  EXPECT_EQ(testing::Query(db(), "select count(*) from dt_table"),
            (Rows{{std::to_string(kRows - 1)}}));
}

}  // namespace
}  // namespace quillmere
