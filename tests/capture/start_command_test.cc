#include "capture/start_command.h"

#include <gtest/gtest.h>

#include "convert/recorder.h"
#include "fake_host.h"
#include "output/dt_table.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::FakeHost;
using testing::FixedControls;
using testing::Query;
using Rows = std::vector<std::vector<std::string>>;

// A page as Word writes it: some text, then tables, each cell on its lines.
std::u16string Page(const std::vector<Rows>& tables) {
  std::string page = "<html><body>\r\n<p class=MsoNormal>前言</p>\r\n";
  for (const Rows& table : tables) {
    page += "<table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0>\r\n";
    for (size_t r = 0; r < table.size(); ++r) {
      page += " <tr style='mso-yfti-irow:" + std::to_string(r) + "'>\r\n";
      for (const std::string& cell : table[r]) {
        page += "  <td width=100 valign=top>\r\n  <p class=MsoNormal>" + cell +
                "<o:p></o:p></p>\r\n  </td>\r\n";
      }
      page += " </tr>\r\n";
    }
    page += "</table>\r\n<p class=MsoNormal>&nbsp;</p>\r\n";
  }
  return unicode::FromUtf8(page + "</body></html>\r\n");
}

const Rows kPeople = {{"姓名", "部门"}, {"张三", "销售"}, {"李四", "技术"}};
const Rows kPrices = {{"item", "price"}, {"O'Brien", "12"}};

class StartCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(adodb::CreateDatabase(folder_ / "data.mdb", DtTableSchema(4)).ok());
    Query(folder_ / "data.mdb", "insert into dt_table (field0) values ('before')");
    folder_.Write("test.doc", "a document");
    host_.page = Page({kPeople, kPrices});
  }

  Status Click() {
    StartContext window{folder_.u16(), host_, controls_, form_, browser_, label_};
    return Command1_Click(window);
  }
  Rows Table() const {
    return Query(folder_ / "data.mdb", "select field0, field1 from dt_table order by rowid");
  }

  testing::TempFolder folder_;
  FakeHost host_;
  FixedControls controls_;
  FormState form_;
  NoBrowser browser_;
  testing::Recorder label_;
};

TEST_F(StartCommandTest, OneClickTakesTheFirstTableWithItsHeaderSkipped) {
  Status status = Click();
  ASSERT_TRUE(status.ok()) << status.ToString();
  const std::string app = folder_.path();
  EXPECT_EQ(host_.calls,
            (std::vector<std::string>{"open " + app + "\\\\test.doc read-only Word.Document [] []",
                                      "active document", "save as " + app + "\\\\test.html 8",
                                      "close", "close"}));
  EXPECT_EQ(controls_.list_index, 0);  // no entry was selected: the first one now is
  EXPECT_FALSE(form_.strTableFirstLine);
  EXPECT_EQ(Table(), (Rows{{"张三", "销售"}, {"李四", "技术"}}));
  // tabletest.html holds strTable as it stands: from after "<table " to the next one.
  EXPECT_EQ(codepage::DecodeCp936(folder_.Read("tabletest.html")), form_.strTable);
  EXPECT_EQ(form_.strTable.rfind(u"class=MsoTableGrid", 0), 0u);
  EXPECT_NE(form_.strTable.find(u"</table>"), std::u16string::npos);
  EXPECT_TRUE(folder_.Has("test.html"));
  EXPECT_TRUE(folder_.Has("cc.html"));
  EXPECT_EQ(label_.events.back(), "status 数据库存在形式与CC.html显示的效果类似");
}

TEST_F(StartCommandTest, TableByItemDataAndHeaderOptionByCheckValue) {
  controls_.list_index = 1;
  for (int check : {0, 2}) {  // not ticked, grayed: the first row is data
    controls_.check = check;
    ASSERT_TRUE(Click().ok());
    EXPECT_TRUE(form_.strTableFirstLine);
    EXPECT_EQ(Table(), (Rows{{"item", "price"}, {"o'brien", "12"}}));
  }
}

TEST_F(StartCommandTest, ATableBeyondTheDocumentChangesNothing) {
  controls_.list_index = 2;  // table 3 of 2
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kTableNotInDocument);
  EXPECT_NE(status.description().find("只有2个表格"), std::string::npos) << status.description();
  EXPECT_NE(status.description().find("from 1 to 2"), std::string::npos) << status.description();
  EXPECT_EQ(Table(), (Rows{{"before", "NULL"}}));
  EXPECT_FALSE(folder_.Has("tabletest.html"));
  EXPECT_FALSE(folder_.Has("cc.html"));
  EXPECT_FALSE(host_.open);

  host_.page = u"<html><p>no tables here</p></html>";
  controls_.list_index = 0;
  status = Click();
  EXPECT_NE(status.description().find("没有表格"), std::string::npos) << status.description();

  // One table: the one there is, not a range from 1 to 1.
  host_.page = u"<html><table ><tr><td>x</td></tr></table></html>";
  controls_.list_index = 1;
  status = Click();
  EXPECT_NE(status.description().find("choose table 1."), std::string::npos)
      << status.description();
}

TEST_F(StartCommandTest, MissingDocumentTouchesNothing) {
  std::filesystem::remove(folder_ / "test.doc");
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kFileNotFound);
  EXPECT_EQ(form_.cn, nullptr);  // the database was not even opened
  EXPECT_EQ(Table(), (Rows{{"before", "NULL"}}));
  for (const char* file : {"test.html", "tabletest.html", "cc.html"}) {
    EXPECT_FALSE(folder_.Has(file)) << file;
  }
}

TEST_F(StartCommandTest, FailuresAfterTheDeleteRollBackAndCloseTheDocument) {
  host_.fail_save = true;
  EXPECT_EQ(Click().number(), ErrorNumber::kDiskFull);
  EXPECT_EQ(Table(), (Rows{{"before", "NULL"}}));
  EXPECT_FALSE(host_.open);

  // A value dt_table refuses fails at the third insert, in the middle of the run.
  host_.fail_save = false;
  host_.page = Page({{{"a", "b"}, {"1", "2"}, {"too long", "4"}}});
  controls_.check = 0;
  ASSERT_TRUE(adodb::CreateDatabase(folder_ / "narrow.mdb",
                                    "create table dt_table (field0 text check (length(field0) "
                                    "<= 4), field1 text)")
                  .ok());
  std::filesystem::rename(folder_ / "narrow.mdb", folder_ / "data.mdb");
  Query(folder_ / "data.mdb", "insert into dt_table (field0) values ('kept')");
  form_.cn.reset();
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kValueTooLong) << status.ToString();
  EXPECT_EQ(Query(folder_ / "data.mdb", "select field0 from dt_table"), (Rows{{"kept"}}));
}

TEST_F(StartCommandTest, ASecondClickReusesTheConnectionAndReplacesTheFiles) {
  ASSERT_TRUE(Click().ok());
  const adodb::Connection* first = form_.cn.get();
  const std::string first_page = folder_.Read("cc.html");
  controls_.list_index = 1;
  ASSERT_TRUE(Click().ok());
  EXPECT_EQ(form_.cn.get(), first);
  EXPECT_NE(folder_.Read("cc.html"), first_page);
  EXPECT_EQ(Table(), (Rows{{"o'brien", "12"}}));
  EXPECT_NE(codepage::DecodeCp936(folder_.Read("tabletest.html")).find(u"price"),
            std::u16string::npos);
}

TEST_F(StartCommandTest, NestedTablesAreSeparatePiecesAndTheLastRunsToTheEnd) {
  // Table 1 holds table 2 in a cell: piece 1 ends where table 2 begins.
  host_.page =
      u"<p>x</p><table a>\r\n <tr s>\r\n  <td w>outer\r\n<table b>\r\n <tr s>\r\n"
      u"  <td w>inner</td>\r\n </tr>\r\n</table>\r\n  </td>\r\n </tr>\r\n</table>tail";
  controls_.list_index = 1;
  controls_.check = 0;
  ASSERT_TRUE(Click().ok());
  EXPECT_EQ(form_.strTable.substr(0, 2), u"b>");
  EXPECT_EQ(form_.strTable.substr(form_.strTable.size() - 12), u"</table>tail");
}

TEST_F(StartCommandTest, AMissingDatabaseSaysWhy) {
  std::filesystem::remove(folder_ / "data.mdb");
  Status status = Click();
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseNotFound) << status.ToString();
  EXPECT_FALSE(host_.open);
  EXPECT_FALSE(folder_.Has("test.html"));
}

}  // namespace
}  // namespace quillmere
