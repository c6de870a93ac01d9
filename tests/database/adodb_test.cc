#include "database/adodb.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace quillmere::adodb {
namespace {

using namespace std::chrono_literals;
using testing::OtherConnection;
using testing::Query;
using testing::TempFolder;
using Rows = std::vector<std::vector<std::string>>;

std::u16string JetString(const std::string& data_source, const std::string& password = "''") {
  return unicode::FromUtf8("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + data_source +
                           ";Persist Security Info=False;Jet OLEDB:Database password=" + password);
}

class AdodbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = folder_ / "data.mdb";
    ASSERT_TRUE(CreateDatabase(db_, "create table t (a text check (length(a) <= 5), b text)").ok());
  }
  Status Open(const std::u16string& connection_string) {
    return cn_.Open(connection_string, u"", u"", kOptionUnspecified);
  }
  void OpenDb() {
    ASSERT_TRUE(Open(JetString(db_)).ok());
    cn_.SetLockTimeout(50ms);
  }
  // The failure leaves the connection closed and unable to run anything.
  void ExpectClosed() {
    EXPECT_EQ(cn_.State(), kStateClosed);
    EXPECT_EQ(cn_.Execute(u"select 1", kOptionUnspecified).number(),
              ErrorNumber::kConnectionClosed);
  }

  TempFolder folder_;
  std::string db_;
  Connection cn_;
};

TEST_F(AdodbTest, OpensTheDataSourceTheConnectionStringNames) {
  ASSERT_TRUE(Open(JetString(db_)).ok());
  EXPECT_EQ(cn_.State(), kStateOpen);
  EXPECT_EQ(cn_.data_source(), db_);
}

TEST_F(AdodbTest, ReadsKeysAndProviderWithoutRegardToCaseOrSpacesAndBackslashPaths) {
  std::string backslashed = folder_.path() + "\\\\data.mdb";
  ASSERT_TRUE(Open(unicode::FromUtf8(" provider = MICROSOFT.JET.OLEDB.4.0 ;DATA SOURCE=" +
                                     backslashed + "; jet oledb:database PASSWORD = \"\""))
                  .ok());
  EXPECT_EQ(cn_.data_source(), db_);
}

TEST_F(AdodbTest, RefusesWhatItCannotOpenAndStaysClosed) {
  folder_.Write("empty.mdb", "");
  folder_.Write("text.mdb", "<html>not a database</html>");
  folder_.Write("jet.mdb", std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(200, 'x'));
  folder_.Write("ace.accdb", std::string("\0\1\0\0Standard ACE DB\0", 20) + std::string(200, 'x'));
  std::filesystem::create_directory(folder_ / "folder.mdb");
  struct Case {
    std::u16string connection_string;
    std::u16string password;
    ErrorNumber number;
    std::string says;
  } cases[] = {
      {u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + unicode::FromUtf8(db_), u"",
       ErrorNumber::kProviderNotSupported, "Microsoft.ACE.OLEDB.12.0"},
      {u"Data Source=" + unicode::FromUtf8(db_), u"", ErrorNumber::kProviderNotSupported,
       "no Provider"},
      {JetString(folder_ / "missing.mdb"), u"", ErrorNumber::kDatabaseNotFound, "does not exist"},
      {JetString(folder_ / "empty.mdb"), u"", ErrorNumber::kNotADatabase, "empty"},
      {JetString(folder_ / "text.mdb"), u"", ErrorNumber::kNotADatabase, "not an SQLite"},
      {JetString(folder_ / "jet.mdb"), u"", ErrorNumber::kNotADatabase, "Access (Jet)"},
      {JetString(folder_ / "ace.accdb"), u"", ErrorNumber::kNotADatabase, "Access (Jet)"},
      {JetString(folder_ / "folder.mdb"), u"", ErrorNumber::kNotAFile, "folder"},
      {JetString(db_, "'secret'"), u"", ErrorNumber::kDatabasePassword, "password"},
      {JetString(db_), u"secret", ErrorNumber::kDatabasePassword, "password"},
      {u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=", u"", ErrorNumber::kDatabaseNotFound,
       "no Data Source"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(unicode::ToUtf8(c.connection_string));
    Status status = cn_.Open(c.connection_string, u"", c.password, kOptionUnspecified);
    EXPECT_EQ(status.number(), c.number) << status.ToString();
    EXPECT_NE(status.description().find(c.says), std::string::npos) << status.description();
    ExpectClosed();
  }
  EXPECT_FALSE(folder_.Has("missing.mdb")) << "a missing database must never be created";
}

TEST_F(AdodbTest, AnOpenConnectionRefusesASecondOpenAndStaysUsable) {
  OpenDb();
  EXPECT_EQ(Open(JetString(folder_ / "other.mdb")).number(), ErrorNumber::kConnectionOpen);
  EXPECT_EQ(cn_.data_source(), db_);
  EXPECT_TRUE(cn_.Execute(u"insert into t (a) values('x')", kOptionUnspecified).ok());
}

TEST_F(AdodbTest, AFailedOpenCanBeTriedAgain) {
  std::string later = folder_ / "later.mdb";
  EXPECT_EQ(Open(JetString(later)).number(), ErrorNumber::kDatabaseNotFound);
  ASSERT_TRUE(CreateDatabase(later, "create table t (a text)").ok());
  EXPECT_TRUE(Open(JetString(later)).ok());
  EXPECT_EQ(cn_.State(), kStateOpen);
}

TEST_F(AdodbTest, SelectReturnsFieldsAndValuesWithNullKeptApart) {
  OpenDb();
  ASSERT_TRUE(cn_.Execute(u"insert into t (a, b) values('数据', '')", -1).ok());
  ASSERT_TRUE(cn_.Execute(u"insert into t (a) values('o''b')", -1).ok());
  std::unique_ptr<Recordset> rs;
  ASSERT_TRUE(cn_.Execute(u"select * from t order by rowid", -1, &rs).ok());
  ASSERT_EQ(rs->FieldCount(), 2u);
  EXPECT_EQ(rs->FieldName(0), u"a");
  EXPECT_EQ(rs->FieldName(1), u"b");
  ASSERT_EQ(rs->RecordCount(), 2u);
  EXPECT_EQ(rs->Value(0, 0), u"数据");
  EXPECT_EQ(rs->Value(0, 1), u"");  // empty text, not NULL
  EXPECT_EQ(rs->Value(1, 0), u"o'b");
  EXPECT_EQ(rs->Value(1, 1), std::nullopt);

  ASSERT_TRUE(cn_.Execute(u"delete from t", -1, &rs).ok());
  EXPECT_EQ(rs->RecordCount(), 0u);
}

TEST_F(AdodbTest, RefusesWhatJetWouldRefuseWithClearNumbers) {
  OpenDb();
  Status missing_column = cn_.Execute(u"insert into t (a, field9) values('x', 'y')", -1);
  EXPECT_EQ(missing_column.number(), ErrorNumber::kStatementFailed);
  EXPECT_NE(missing_column.description().find("field9"), std::string::npos);

  Status too_long = cn_.Execute(u"insert into t (a) values('123456')", -1);
  EXPECT_EQ(too_long.number(), ErrorNumber::kValueTooLong) << too_long.ToString();
  EXPECT_NE(too_long.description().find("longer"), std::string::npos);
  EXPECT_TRUE(cn_.Execute(u"insert into t (a) values('12345')", -1).ok());

  EXPECT_EQ(cn_.Execute(u"  ", -1).number(), ErrorNumber::kStatementFailed);
  EXPECT_EQ(cn_.Execute(u"select * from nowhere", -1).number(), ErrorNumber::kStatementFailed);
  EXPECT_EQ(cn_.Execute(std::u16string(u"insert into t (a) values('a\0b')", 32), -1).number(),
            ErrorNumber::kStatementFailed);
  EXPECT_TRUE(cn_.Execute(u"insert into t (a) values('x');  ", -1).ok());
  // One statement at a time: the second is refused and the first never runs.
  EXPECT_EQ(cn_.Execute(u"insert into t (a) values('y'); delete from t", -1).number(),
            ErrorNumber::kStatementFailed);
  EXPECT_EQ(Query(db_, "select a from t order by rowid"), (Rows{{"12345"}, {"x"}}));
}

TEST_F(AdodbTest, InsertsSharingAFormKeepTheirOwnValuesAndFaults) {
  OpenDb();
  for (const char16_t* sql : {
           u"insert into t (a, b) values('1', 'o''b')",
           u"insert into t (a, b) values('2', '?')",
           u"insert into t (a, b) values('toolong', 'x')",  // refused, and only it
           u"insert into t (a, b) values('3', '数据')",
           u"insert into t (a, b) values(?, 'own parameter')",  // runs as written: NULL
           u"INSERT INTO t (b) VALUES('4')",
       }) {
    Status status = cn_.Execute(sql, -1);
    EXPECT_EQ(status.ok(), std::u16string_view(sql).find(u"toolong") == std::u16string_view::npos)
        << status.ToString();
  }
  EXPECT_EQ(
      Query(db_, "select a, b from t order by rowid"),
      (Rows{{"1", "o'b"}, {"2", "?"}, {"3", "数据"}, {"NULL", "own parameter"}, {"NULL", "4"}}));

  // A changed table is read anew, and a shape that no longer fits fails plainly.
  ASSERT_TRUE(cn_.Execute(u"alter table t add column c text", -1).ok());
  ASSERT_TRUE(cn_.Execute(u"insert into t (a, b) values('5', 'x')", -1).ok());
  ASSERT_TRUE(cn_.Execute(u"alter table t drop column b", -1).ok());
  Status gone = cn_.Execute(u"insert into t (a, b) values('6', 'x')", -1);
  EXPECT_EQ(gone.number(), ErrorNumber::kStatementFailed);
  EXPECT_NE(gone.description().find("no column named b"), std::string::npos) << gone.ToString();
}

TEST_F(AdodbTest, LongStatementsAreCutInMessagesAtACharacterBoundary) {
  OpenDb();
  std::u16string sql = u"insert into nowhere (a) values('" + std::u16string(300, u'数') + u"')";
  Status status = cn_.Execute(sql, -1);
  EXPECT_NE(status.description().find("..."), std::string::npos);
  EXPECT_EQ(unicode::ToUtf8(unicode::FromUtf8(status.description())), status.description());
  EXPECT_EQ(status.description().find("\xEF\xBF\xBD"), std::string::npos);  // no U+FFFD
}

TEST_F(AdodbTest, TransactionsCommitTogetherOrRollBackToNothing) {
  OpenDb();
  ASSERT_TRUE(cn_.BeginTrans().ok());
  EXPECT_TRUE(cn_.InTransaction());
  EXPECT_EQ(cn_.BeginTrans().number(), ErrorNumber::kStatementFailed);
  ASSERT_TRUE(cn_.Execute(u"insert into t (a) values('one')", -1).ok());
  ASSERT_TRUE(cn_.CommitTrans().ok());
  EXPECT_FALSE(cn_.InTransaction());
  EXPECT_EQ(Query(db_, "select a from t"), (Rows{{"one"}}));

  ASSERT_TRUE(cn_.BeginTrans().ok());
  ASSERT_TRUE(cn_.Execute(u"delete from t", -1).ok());
  ASSERT_TRUE(cn_.Execute(u"insert into t (a) values('two')", -1).ok());
  ASSERT_TRUE(cn_.RollbackTrans().ok());
  EXPECT_EQ(Query(db_, "select a from t"), (Rows{{"one"}}));

  EXPECT_TRUE(cn_.RollbackTrans().ok()) << "nothing to undo outside a transaction";
  EXPECT_EQ(cn_.CommitTrans().number(), ErrorNumber::kStatementFailed);
}

TEST_F(AdodbTest, ATransactionLeftOpenIsRolledBackWhenTheConnectionGoes) {
  {
    Connection cn;
    ASSERT_TRUE(cn.Open(JetString(db_), u"", u"", -1).ok());
    ASSERT_TRUE(cn.BeginTrans().ok());
    ASSERT_TRUE(cn.Execute(u"insert into t (a) values('gone')", -1).ok());
  }
  EXPECT_EQ(Query(db_, "select count(*) from t"), (Rows{{"0"}}));
}

TEST_F(AdodbTest, ADatabaseAnotherProgramWritesIsReportedAsLocked) {
  OpenDb();
  OtherConnection other(db_);
  other.Run("begin immediate; insert into t (a) values('their')");
  Status status = cn_.BeginTrans();
  EXPECT_EQ(status.number(), ErrorNumber::kDatabaseLocked) << status.ToString();
  EXPECT_NE(status.description().find("locked: another run holds it"), std::string::npos);
  EXPECT_FALSE(cn_.InTransaction());
  other.Run("commit");
  EXPECT_TRUE(cn_.BeginTrans().ok()) << "free again once the other program is done";
  EXPECT_TRUE(cn_.RollbackTrans().ok());
}

TEST_F(AdodbTest, ACommitBlockedByAReaderFailsAndCanBeRolledBack) {
  OpenDb();
  ASSERT_TRUE(cn_.Execute(u"insert into t (a) values('kept')", -1).ok());
  OtherConnection reader(db_);
  reader.Run("begin; select * from t");
  ASSERT_TRUE(cn_.BeginTrans().ok());
  ASSERT_TRUE(cn_.Execute(u"delete from t", -1).ok());
  EXPECT_EQ(cn_.CommitTrans().number(), ErrorNumber::kDatabaseLocked);
  EXPECT_TRUE(cn_.InTransaction());
  EXPECT_TRUE(cn_.RollbackTrans().ok());
  reader.Run("commit");
  EXPECT_EQ(Query(db_, "select a from t"), (Rows{{"kept"}}));
}

TEST(CreateDatabaseTest, CreatesNeverOverwritesAndLeavesNothingWhenItFails) {
  TempFolder folder;
  std::string db = folder / "new.mdb";
  ASSERT_TRUE(CreateDatabase(db, "create table t (a text); insert into t values ('first')").ok());
  EXPECT_EQ(Query(db, "select a from t"), (Rows{{"first"}}));

  Status again = CreateDatabase(db, "create table u (b text)");
  EXPECT_EQ(again.number(), ErrorNumber::kFileExists);
  EXPECT_EQ(Query(db, "select a from t"), (Rows{{"first"}}));

  std::string bad = folder / "bad.mdb";
  EXPECT_EQ(CreateDatabase(bad, "create tabel oops").number(), ErrorNumber::kStatementFailed);
  EXPECT_FALSE(folder.Has("bad.mdb"));
  EXPECT_FALSE(folder.Has("bad.mdb-journal"));

  EXPECT_EQ(CreateDatabase(folder / "no/such/folder.mdb", "create table t (a)").number(),
            ErrorNumber::kFileNotFound);
}

}  // namespace
}  // namespace quillmere::adodb
