// The start command through the real pieces: the bundled sample test.doc
// read by our own Word 97-2003 reader, the page writer, a real data.mdb and
// real files in a temporary folder.
#include <gtest/gtest.h>

#include <fstream>

#include "capture/start_command.h"
#include "convert/recorder.h"
#include "document/document_server.h"
#include "fake_host.h"
#include "output/dt_table.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::FixedControls;
using testing::Query;
using Rows = std::vector<std::vector<std::string>>;

class EndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream sample(QUILLMERE_SOURCE_DIR "/samples/test.doc", std::ios::binary);
    folder_.Write("test.doc", std::string(std::istreambuf_iterator<char>(sample), {}));
    ASSERT_TRUE(CreateDataMdb(folder_.u16(), 5).ok());
    Query(db(), "insert into dt_table (field0) values ('before')");
  }

  Status Click(int list_index, int check) {
    controls_.list_index = list_index;
    controls_.check = check;
    StartContext window{folder_.u16(), server_, controls_, form_, browser_, label_};
    return Command1_Click(window);
  }
  std::string db() const { return folder_ / "data.mdb"; }
  Rows Table() const {
    return Query(db(),
                 "select field0, field1, field2, field3, field4 from dt_table order by rowid");
  }

  testing::TempFolder folder_;
  document::DocumentServer server_;
  FixedControls controls_;
  FormState form_;
  NoBrowser browser_;
  testing::Recorder label_;
};

const Rows kSales = {{"widgeta", "第一季度", "120", "o'brien&amp;co.", "NULL"},
                     {"widgeta", "第二季度", "135", "", "NULL"},
                     {"小部件b", "第一季度", "88", "新品", "NULL"},
                     {"小部件b", "第二季度", "97", "促销", "NULL"},
                     {"合计total", "合计total", "440", "跨两列", "NULL"}};
const Rows kStaff = {{"1001", "张三", "销售部", "010-1234", "NULL"},
                     {"1002", "李四", "技术部", "", "NULL"},
                     {"1003", "王五", "技术部", "021-5678", "NULL"},
                     {"1004", "赵六", "财务部", "0755-8888", "NULL"}};
const Rows kTimetable = {{"时间", "第一节", "第二节", "第三节", "第四节"},
                         {"星期一", "语文", "数学", "体育", "英语"},
                         {"星期二", "物理", "化学", "体育", "历史"}};

TEST_F(EndToEndTest, EveryTableOfTheSampleByNumber) {
  const Rows* expected[] = {&kSales, &kStaff, &kTimetable};
  for (int table = 0; table < 3; ++table) {
    Status status = Click(table, 1);
    ASSERT_TRUE(status.ok()) << status.ToString();
    EXPECT_EQ(Table(), *expected[table]) << "table " << table + 1;
  }
  EXPECT_TRUE(folder_.Has("test.html"));
  EXPECT_TRUE(folder_.Has("tabletest.html"));
  EXPECT_NE(folder_.Read("cc.html").find("<table border=1> "), std::string::npos);
}

TEST_F(EndToEndTest, HeaderOptionBothWays) {
  ASSERT_TRUE(Click(1, 0).ok());  // not ticked: the first row is data too
  Rows with_header = {{"工号", "姓名", "部门", "电话", "NULL"}};
  with_header.insert(with_header.end(), kStaff.begin(), kStaff.end());
  EXPECT_EQ(Table(), with_header);
  ASSERT_TRUE(Click(1, 1).ok());
  EXPECT_EQ(Table(), kStaff);
}

TEST_F(EndToEndTest, ATableBeyondTheDocumentKeepsEverything) {
  ASSERT_TRUE(Click(0, 1).ok());
  const std::string tabletest = folder_.Read("tabletest.html");
  Status status = Click(3, 1);  // the fourth table of three
  EXPECT_EQ(status.number(), ErrorNumber::kTableNotInDocument);
  EXPECT_NE(status.description().find("只有3个表格"), std::string::npos);
  EXPECT_EQ(Table(), kSales);
  EXPECT_EQ(folder_.Read("tabletest.html"), tabletest);
}

TEST_F(EndToEndTest, MissingDocumentTouchesNothing) {
  std::filesystem::remove(folder_ / "test.doc");
  Status status = Click(0, 1);
  EXPECT_EQ(status.number(), ErrorNumber::kFileNotFound) << status.ToString();
  EXPECT_EQ(Table(), (Rows{{"before", "NULL", "NULL", "NULL", "NULL"}}));
  for (const char* file : {"test.html", "tabletest.html", "cc.html"}) {
    EXPECT_FALSE(folder_.Has(file)) << file;
  }
}

TEST_F(EndToEndTest, ASecondRunReusesTheConnectionAndReplacesTheFiles) {
  ASSERT_TRUE(Click(0, 1).ok());
  const adodb::Connection* cn = form_.cn.get();
  const std::string page = folder_.Read("cc.html");
  const std::string tabletest = folder_.Read("tabletest.html");
  ASSERT_TRUE(Click(2, 1).ok());
  EXPECT_EQ(form_.cn.get(), cn);
  EXPECT_EQ(Table(), kTimetable);
  EXPECT_NE(folder_.Read("cc.html"), page);
  EXPECT_NE(folder_.Read("tabletest.html"), tabletest);
  EXPECT_EQ(form_.rs->RecordCount(), 3u);
}

TEST_F(EndToEndTest, AFailureInTheMiddleOfTheConversionLeavesDtTableAsItWas) {
  // dt_table has four columns; the timetable needs five: its first row fails.
  std::filesystem::remove(db());
  ASSERT_TRUE(CreateDataMdb(folder_.u16(), 4).ok());
  Query(db(), "insert into dt_table (field0) values ('kept')");
  Status status = Click(2, 0);
  EXPECT_EQ(status.number(), ErrorNumber::kDtTableTooNarrow) << status.ToString();
  EXPECT_EQ(Query(db(), "select field0 from dt_table"), (Rows{{"kept"}}));
  EXPECT_FALSE(form_.cn->InTransaction());
}

}  // namespace
}  // namespace quillmere
