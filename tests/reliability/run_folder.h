// A program folder as a user has it: the sample test.doc and a data.mdb whose
// dt_table already holds rows, and one click of the start button through the
// real document server, the real database and real files (behind a file
// system that a test may make refuse a write).
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "capture/start_command.h"
#include "document/document_server.h"
#include "output/dt_table.h"
#include "support/fault_injecting_file_system.h"
#include "support/temp_folder.h"

namespace quillmere::testing {

using Rows = std::vector<std::vector<std::string>>;

// Table 1 of the sample, Check1 ticked: its header row is skipped.
class SampleControls : public StartControls {
 public:
  int Combo1ListIndex() const override { return 0; }
  void SetCombo1ListIndex(int) override {}
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return 1; }
};

class RunFolder : public ::testing::Test {
 protected:
  // The rows dt_table holds before every run.
  static inline const Rows kBefore = {{"earlier", "run", "1"}, {"earlier", "run", "2"}};

  void SetUp() override { Prepare(folder_.path()); }

  // Fills `dir` with test.doc and a data.mdb holding kBefore.
  void Prepare(const std::string& dir) {
    dir_ = dir;
    std::filesystem::copy_file(QUILLMERE_SOURCE_DIR "/samples/test.doc", dir + "/test.doc");
    ASSERT_TRUE(adodb::CreateDatabase(db(), DtTableSchema(kDefaultColumns)).ok());
    PutBackRowsBefore();
  }

  // dt_table holding kBefore and nothing else.
  void PutBackRowsBefore() {
    Query(db(), "delete from dt_table");
    Query(db(),
          "insert into dt_table (field0, field1, field2) values "
          "('earlier', 'run', '1'), ('earlier', 'run', '2')");
  }

  std::string db() const { return dir_ + "/data.mdb"; }
  Rows DtTable() const {
    return Query(db(), "select field0, field1, field2 from dt_table order by rowid");
  }
  bool Has(const std::string& name) const { return std::filesystem::exists(dir_ + "/" + name); }

  // One click of the start button in the folder; the window's state (and so
  // the open connection) lives on between clicks.
  Status Click() { return Click(server_); }
  Status Click(DocumentHost& FramerControl1) {
    if (!form_.cn) {
      form_.cn = std::make_unique<adodb::Connection>();
      form_.cn->SetLockTimeout(std::chrono::milliseconds(200));
    }
    StartContext window{
        files::ProgramPath(dir_), FramerControl1, controls_, form_, browser_, quiet_, disk_};
    return Command1_Click(window);
  }

  // A failure says what failed, with its number, and leaves dt_table as it
  // was and the connection out of any transaction.
  void ExpectReportedAndNothingLost(const Status& status, ErrorNumber number,
                                    const std::string& words) {
    EXPECT_EQ(status.number(), number) << status.ToString();
    EXPECT_NE(status.description().find(words), std::string::npos) << status.ToString();
    if (form_.cn) {
      EXPECT_FALSE(form_.cn->InTransaction());
    }
    EXPECT_EQ(DtTable(), kBefore);
  }

  TempFolder folder_;
  std::string dir_;
  FaultInjectingFileSystem disk_;
  document::DocumentServer server_{document::ReaderOptions(), disk_};
  SampleControls controls_;
  FormState form_;
  NoBrowser browser_;
  SilentProgress quiet_;
};

}  // namespace quillmere::testing
