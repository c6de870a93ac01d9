// A test folder holding data.mdb with a 3-column dt_table, opened on the
// form's connection as a run would open it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>

#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "support/temp_folder.h"

namespace quillmere::testing {

using Rows = std::vector<std::vector<std::string>>;

class DatabaseFolder : public ::testing::Test {
 protected:
  void SetUp() override { OpenWithSchema(DtTableSchema(3)); }

  // Replaces the fixture's database by one made with `schema`.
  void OpenWithSchema(const std::string& schema) {
    form_.cn.reset();
    std::filesystem::remove(db());
    ASSERT_TRUE(adodb::CreateDatabase(db(), schema).ok());
    Status opened = OpenDataMdb(form_, folder_.u16());
    ASSERT_TRUE(opened.ok()) << opened.ToString();
    form_.cn->SetLockTimeout(std::chrono::milliseconds(50));
  }

  std::string db() const { return folder_ / "data.mdb"; }
  // dt_table's first three columns, in the order the rows went in.
  Rows Table() const {
    return Query(db(), "select field0, field1, field2 from dt_table order by rowid");
  }
  void Fill(const std::string& values) {
    Query(db(), "insert into dt_table (field0, field1, field2) values " + values);
  }

  TempFolder folder_;
  FormState form_;
};

}  // namespace quillmere::testing
