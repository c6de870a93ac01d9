#include "platform/app_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/program_paths.h"
#include "support/fault_injecting_file_system.h"
#include "support/temp_folder.h"

namespace quillmere::files {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

TEST(ApplicationFolderRuleTest, OwnFolderOnlyWhenWritableAndNotInstalled) {
  const std::string sample = "/usr/share/quillmere/test.doc";
  EXPECT_EQ(ChooseApplicationFolder({"/src/build", true, "", "/home/ann"}), "/src/build");
  EXPECT_EQ(ChooseApplicationFolder({"/opt/q", false, "", "/home/ann/"}), "/home/ann/Quillmere");
  EXPECT_EQ(ChooseApplicationFolder({"/usr/bin", false, sample, "/home/ann"}),
            "/home/ann/Quillmere");
  // Root may write into /usr/bin, yet an installed program keeps out of it.
  EXPECT_EQ(ChooseApplicationFolder({"/usr/bin", true, sample, "/root"}), "/root/Quillmere");
  EXPECT_EQ(ChooseApplicationFolder({"/usr/bin", false, sample, ""}), "/usr/bin");
  // This test runs from its build folder, as the program does: its own folder, as ever.
  EXPECT_EQ(ChooseApplicationFolder(ThisProgram()), NativePath(ApplicationFolder()));
}

class UserFolderTest : public ::testing::Test {
 protected:
  UserFolderTest() { home_.Write("sample.doc", "the sample"); }

  // Makes home/Quillmere, counting the databases made.
  Status Make(const std::string& sample, Status database_outcome = Status(),
              FileSystem& file_system = Disk()) {
    return MakeUserFolder(
        folder_, sample,
        [&](const std::string& folder) {
          ++databases_;
          std::ofstream(folder + "/data.mdb") << "empty";
          return database_outcome;
        },
        file_system);
  }
  std::vector<std::string> HomeEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(home_.path())) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  TempFolder home_;
  const std::string folder_ = home_ / "Quillmere";
  int databases_ = 0;
};

TEST_F(UserFolderTest, FirstStartMakesItWithTheDatabaseAndTheSampleOnlyOnce) {
  ASSERT_TRUE(Make(home_ / "sample.doc").ok());
  EXPECT_EQ(HomeEntries(), (std::vector<std::string>{"Quillmere", "sample.doc"}));
  EXPECT_EQ(home_.Read("Quillmere/test.doc"), "the sample");
  EXPECT_EQ(home_.Read("Quillmere/data.mdb"), "empty");

  // Later starts leave the folder as the user left it.
  fs::remove(folder_ + "/test.doc");
  ASSERT_TRUE(Make(home_ / "sample.doc").ok());
  EXPECT_EQ(databases_, 1);
  EXPECT_FALSE(home_.Has("Quillmere/test.doc"));
}

TEST_F(UserFolderTest, AFailedFirstStartLeavesNothingAndTheNextOneMakesIt) {
  const Status refused(ErrorNumber::kDiskFull, "full");
  EXPECT_EQ(Make(home_ / "sample.doc", refused).number(), ErrorNumber::kDiskFull);
  EXPECT_EQ(Make(home_ / "missing.doc").number(), ErrorNumber::kFileNotFound);
  testing::FaultInjectingFileSystem full;
  full.FailWrite(1, ENOSPC);  // the sample's copy, half written
  EXPECT_EQ(Make(home_ / "sample.doc", Status(), full).number(), ErrorNumber::kDiskFull);
  EXPECT_EQ(HomeEntries(), (std::vector<std::string>{"sample.doc"}));

  // Without a sample to copy, the database alone.
  ASSERT_TRUE(Make("").ok());
  EXPECT_TRUE(home_.Has("Quillmere/data.mdb"));
  EXPECT_FALSE(home_.Has("Quillmere/test.doc"));

  const std::string no_home = home_ / "gone/Quillmere";
  EXPECT_EQ(MakeUserFolder(no_home, "", nullptr).number(), ErrorNumber::kFileNotFound);
}

}  // namespace
}  // namespace quillmere::files
