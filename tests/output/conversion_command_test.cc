#include "output/conversion_command.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "convert/recorder.h"
#include "database_folder.h"
#include "output/conversion_run.h"
#include "platform/encoding/codepage.h"

namespace quillmere {
namespace {

using testing::OtherConnection;
using testing::Query;
using testing::Recorder;
using testing::Rows;

constexpr char kClosingText[] = "数据库存在形式与CC.html显示的效果类似";

// A table's markup as it follows "<table " in a page, one line per tag.
std::u16string Markup(const std::vector<std::vector<std::u16string>>& rows) {
  std::u16string markup = u"border=1>\r\n";
  for (const auto& row : rows) {
    markup += u"<TR>\r\n";
    for (const auto& cell : row) markup += u"<TD>" + cell + u"</TD>\r\n";
    markup += u"</TR>\r\n";
  }
  return markup + u"</TABLE>\r\n";
}

// A header row (name, qty, note) and one data row (o'brien, 12, empty).
const std::u16string kHeaderAndOneRow =
    Markup({{u"name", u"qty", u"note"}, {u"o'brien", u"12", u""}});

// Remembers where it was sent and what stood in cc.html at that moment.
class RecordingBrowser : public Browser {
 public:
  explicit RecordingBrowser(const testing::TempFolder& folder) : folder_(folder) {}
  void Navigate2(std::u16string_view path) override {
    paths.emplace_back(path);
    bool file = std::filesystem::is_regular_file(folder_ / "cc.html");
    page_when_asked = file ? folder_.Read("cc.html") : "(none)";
  }
  std::vector<std::u16string> paths;
  std::string page_when_asked;

 private:
  const testing::TempFolder& folder_;
};

class ConversionCommandTest : public testing::DatabaseFolder {
 protected:
  // One whole run, as `quillmere convert` and the start command make it.
  Status Run(std::u16string_view strTable, bool first_row_data = false) {
    form_.strTable = strTable;
    form_.strTableFirstLine = first_row_data;
    return ReplaceDtTable(form_,
                          [&] { return Command3_Click(form_, folder_.u16(), browser_, label_); });
  }
  std::string Page() const { return folder_.Read("cc.html"); }
  std::string LastStatus() const {
    auto statuses = label_.Only("status ");
    return statuses.empty() ? "" : statuses.back().substr(7);
  }

  RecordingBrowser browser_{folder_};
  Recorder label_;
};

TEST_F(ConversionCommandTest, AHeaderRowIsSkippedOnThePageAndInTheDatabase) {
  Fill("('old', 'row', 'gone')");
  ASSERT_TRUE(Run(kHeaderAndOneRow).ok());
  EXPECT_EQ(Page(),
            "<table border=1> \r\n<tr><td>o'brien</td><td>12</td><td>&nbsp;</td></td></tr>"
            "</table>\r\n<br>insert into dt_table (field0,field1,field2) values('o''brien','12','')"
            "\r\n");
  EXPECT_EQ(Table(), (Rows{{"o'brien", "12", ""}}));
  ASSERT_TRUE(form_.rs);
  EXPECT_EQ(form_.rs->RecordCount(), 1u);
  EXPECT_EQ(form_.rs->Value(0, 0), u"o'brien");
  EXPECT_EQ(LastStatus(), kClosingText);
}

TEST_F(ConversionCommandTest, AFirstRowOfDataLeadsThePageAndTheStatements) {
  ASSERT_TRUE(Run(kHeaderAndOneRow, true).ok());
  EXPECT_EQ(Page(),
            "<table border=1> \r\n<tr><td>name</td><td>qty</td><td>note</td></td>"
            "\r\n<tr><td>o'brien</td><td>12</td><td>&nbsp;</td></td></tr></table>"
            "\r\n<br>insert into dt_table (field0,field1,field2) values('name','qty','note')"
            "\r\n<br>insert into dt_table (field0,field1,field2) values('o''brien','12','')\r\n");
  EXPECT_EQ(Table(), (Rows{{"name", "qty", "note"}, {"o'brien", "12", ""}}));
}

TEST_F(ConversionCommandTest, KeptTextsAreStoredAsReadAndShownAsTextInTheSameShape) {
  form_.cell_texts = CellTexts::kKept;
  const std::u16string long_text(250, u'L');
  ASSERT_TRUE(Run(Markup({{u"Name", u"Q&amp;A &lt;b&gt;", u""},
                          {u"O'Brien \r\n Smith", long_text, u"&lt;td&gt;"}}),
                  true)
                  .ok());
  // The 200 characters are the text's own; "<td>" in a text stays.
  EXPECT_EQ(Table(),
            (Rows{{"Name", "Q&A <b>", ""}, {"O'Brien Smith", std::string(200, 'L'), "<td>"}}));
  const std::string l200(200, 'L');
  EXPECT_EQ(Page(),
            "<table border=1> \r\n<tr><td>Name</td><td>Q&amp;A &lt;b&gt;</td><td>&nbsp;</td></td>"
            "\r\n<tr><td>O'Brien Smith</td><td>" +
                std::string(250, 'L') +
                "</td><td>&lt;td&gt;</td></td></tr></table>"
                "\r\n<br>insert into dt_table (field0,field1,field2) values('Name','Q&amp;A "
                "&lt;b&gt;','')"
                "\r\n<br>insert into dt_table (field0,field1,field2) values('O''Brien Smith','" +
                l200 + "','&lt;td&gt;')\r\n");
}

TEST_F(ConversionCommandTest, TheBrowserIsSentToThePageBeforeItIsWritten) {
  ASSERT_TRUE(Run(kHeaderAndOneRow).ok());
  EXPECT_EQ(browser_.paths, std::vector<std::u16string>{folder_.u16() + u"\\cc.html"});
  EXPECT_EQ(browser_.page_when_asked, "(none)");
}

TEST_F(ConversionCommandTest, ThePageIsInCodePage936WithQuestionMarksForTheRest) {
  ASSERT_TRUE(Run(Markup({{u"数据", u"😀", u"é"}}), true).ok());
  const std::string page = Page();
  EXPECT_NE(page.find(codepage::EncodeCp936(u"<td>数据</td><td>?</td>",
                                            codepage::Unencodable::kQuestionMark)),
            std::string::npos);
  EXPECT_EQ(page.find("\xF0\x9F\x98\x80"), std::string::npos);
  EXPECT_EQ(Table(), (Rows{{"数据", "😀", "é"}})) << "the database keeps every character";
}

TEST_F(ConversionCommandTest, EachRowIsInsertedAsItFinishesNotAtTheEnd) {
  // Row counts as the same connection sees them at every status text.
  class Watcher : public SilentProgress {
   public:
    explicit Watcher(adodb::Connection& cn) : cn_(cn) {}
    void ShowStatus(std::u16string_view text) override {
      std::unique_ptr<adodb::Recordset> rs;
      if (!cn_.Execute(u"select count(*) from dt_table", -1, &rs).ok()) return;
      seen.push_back(unicode::ToUtf8(text) + "=" + unicode::ToUtf8(*rs->Value(0, 0)));
    }
    std::vector<std::string> seen;

   private:
    adodb::Connection& cn_;
  } watcher(*form_.cn);
  form_.strTable = Markup({{u"h"}, {u"a"}, {u"b"}});
  ASSERT_TRUE(ReplaceDtTable(form_, [&] {
                return Command3_Click(form_, folder_.u16(), browser_, watcher);
              }).ok());
  EXPECT_EQ(watcher.seen, (std::vector<std::string>{"1=0", "2=0", "3=0",  // first pass
                                                    "1=0", "2=0", "3=1",  // second pass
                                                    std::string(kClosingText) + "=2"}));
}

TEST_F(ConversionCommandTest, ASecondRunReplacesThePageTheTableAndTheRecordset) {
  ASSERT_TRUE(Run(Markup({{u"a"}, {u"b"}, {u"c"}}), true).ok());
  ASSERT_EQ(form_.rs->RecordCount(), 3u);
  ASSERT_TRUE(Run(Markup({{u"z"}}), true).ok());
  EXPECT_EQ(Page(),
            "<table border=1> \r\n<tr><td>z</td></td></tr></table>"
            "\r\n<br>insert into dt_table (field0) values('z')\r\n");
  EXPECT_EQ(Table(), (Rows{{"z", "NULL", "NULL"}}));
  EXPECT_EQ(form_.rs->RecordCount(), 1u);
  EXPECT_EQ(form_.rs->Value(0, 0), u"z");
}

class FailingRunTest : public ConversionCommandTest {
 protected:
  void SetUp() override {
    ConversionCommandTest::SetUp();
    Fill("('keep', 'these', 'rows'), ('and', 'this', 'one')");
    folder_.Write("cc.html", "previous page");
  }
  // Nothing of the run is left: dt_table and cc.html are as they were, and
  // the connection is free for the next run.
  void ExpectNothingLost() {
    EXPECT_EQ(Table(), (Rows{{"keep", "these", "rows"}, {"and", "this", "one"}}));
    EXPECT_EQ(Page(), "previous page");
    EXPECT_FALSE(form_.cn->InTransaction());
    EXPECT_NE(LastStatus(), kClosingText);
  }
};

TEST_F(FailingRunTest, ATableWiderThanDtTableSaysHowWideAndRollsTheWholeRunBack) {
  Status status = Run(Markup({{u"1", u"2", u"3", u"4"}, {u"5", u"6", u"7", u"8"}}), true);
  EXPECT_EQ(status.number(), ErrorNumber::kDtTableTooNarrow);
  EXPECT_NE(status.description().find("4 columns"), std::string::npos) << status.ToString();
  EXPECT_NE(status.description().find("--columns 4"), std::string::npos) << status.ToString();
  ExpectNothingLost();
  EXPECT_TRUE(browser_.paths.empty());

  // Wider than any dt_table can be: no database can take it.
  status = Run(Markup({std::vector<std::u16string>(kMaxColumns + 1, u"x")}), true);
  EXPECT_EQ(status.number(), ErrorNumber::kTooManyColumns);
  EXPECT_NE(status.description().find("2001 columns"), std::string::npos) << status.ToString();
  ExpectNothingLost();
  EXPECT_TRUE(browser_.paths.empty());
}

TEST_F(FailingRunTest, AValueTooLongForItsColumnRollsTheWholeRunBack) {
  OpenWithSchema(
      "create table dt_table (field0 text check (length(field0) <= 5), field1 text,"
      " field2 text)");
  Fill("('keep', 'these', 'rows'), ('and', 'this', 'one')");
  Status status = Run(Markup({{u"ok"}, {u"much too long"}}), true);
  EXPECT_EQ(status.number(), ErrorNumber::kValueTooLong) << status.ToString();
  ExpectNothingLost();
}

TEST_F(FailingRunTest, ATableWithoutColumnsSendsNoStatementAndChangesNothing) {
  // A first row holding nothing but its line break: no column.
  Status status = Run(u"><tr>\r\n<tr><td>lonely</td>", true);
  EXPECT_EQ(status.number(), ErrorNumber::kNoColumns) << status.ToString();
  ExpectNothingLost();
}

TEST_F(FailingRunTest, ADatabaseAnotherProgramWritesIsAClearErrorWithNothingLost) {
  OtherConnection other(db());
  other.Run("begin immediate");
  Status status = Run(kHeaderAndOneRow);
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseLocked);
  EXPECT_NE(status.description().find("locked: another run holds it"), std::string::npos);
  other.Run("rollback");
  ExpectNothingLost();
  EXPECT_TRUE(Run(kHeaderAndOneRow).ok()) << "the next run goes through";
}

TEST_F(FailingRunTest, ACommitThatAReaderBlocksRollsBack) {
  OtherConnection reader(db());
  reader.Run("begin; select * from dt_table");
  Status status = Run(kHeaderAndOneRow);
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseLocked) << status.ToString();
  reader.Run("commit");
  EXPECT_EQ(Table(), (Rows{{"keep", "these", "rows"}, {"and", "this", "one"}}));
  EXPECT_FALSE(form_.cn->InTransaction());
}

TEST_F(FailingRunTest, APageThatCannotBeWrittenRollsBackAfterTheBrowserWasAsked) {
  std::filesystem::remove(folder_ / "cc.html");
  std::filesystem::create_directory(folder_ / "cc.html");
  Status status = Run(kHeaderAndOneRow);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.description().find("cc.html"), std::string::npos) << status.ToString();
  EXPECT_EQ(browser_.paths.size(), 1u);
  EXPECT_EQ(LastStatus(), "2") << "the label keeps the last row's index";
  EXPECT_EQ(Table(), (Rows{{"keep", "these", "rows"}, {"and", "this", "one"}}));
}

TEST_F(FailingRunTest, AnExceptionInsideTheRunRollsBackToo) {
  form_.strTable = kHeaderAndOneRow;
  EXPECT_THROW(
      ReplaceDtTable(form_,
                     [&]() -> Status {
                       QM_RETURN_IF_ERROR(Command3_Click(form_, folder_.u16(), browser_, label_));
                       throw std::runtime_error("the window went away");
                     }),
      std::runtime_error);
  EXPECT_EQ(Table(), (Rows{{"keep", "these", "rows"}, {"and", "this", "one"}}));
  EXPECT_FALSE(form_.cn->InTransaction());
}

TEST(OpenDataMdbTest, SaysWhyTheConnectionIsNotOpenAndNoRunStartsOnIt) {
  testing::TempFolder folder;
  FormState form;
  Status status = OpenDataMdb(form, folder.u16());
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseNotFound);
  EXPECT_NE(status.description().find("data.mdb"), std::string::npos);

  folder.Write("data.mdb", std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(100, 'j'));
  EXPECT_EQ(OpenDataMdb(form, folder.u16()).number(), ErrorNumber::kNotADatabase);
  EXPECT_EQ(ReplaceDtTable(form, [] { return Status(); }).number(), ErrorNumber::kConnectionClosed);
}

}  // namespace
}  // namespace quillmere
