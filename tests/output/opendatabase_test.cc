#include "output/opendatabase.h"

#include <gtest/gtest.h>

#include "output/dt_table.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::TempFolder;

class OpenDatabaseTest : public ::testing::Test {
 protected:
  // A database file of this name in the folder.
  void Make(const std::string& name) {
    ASSERT_TRUE(adodb::CreateDatabase(folder_ / name, DtTableSchema(3)).ok());
  }
  bool Call(std::u16string_view dbname, std::u16string_view pwd = u"") {
    return opendatabase(cn_, dbname, pwd, folder_.u16(), &why_);
  }
  long State() const { return cn_ ? cn_->State() : -1; }

  TempFolder folder_;
  std::unique_ptr<adodb::Connection> cn_;
  Status why_;
};

TEST_F(OpenDatabaseTest, TheConnectionStringIsExactlyTheJetOneWithTheEmptyPasswordQuoted) {
  EXPECT_EQ(JetConnectionString(u"C:\\db\\", u"data.mdb", u""),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\db\\data.mdb;"
            u"Persist Security Info=False;Jet OLEDB:Database password=''");
  EXPECT_EQ(JetConnectionString(u"/x\\", u"a.mdb", u"pw"),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/x\\a.mdb;"
            u"Persist Security Info=False;Jet OLEDB:Database password='pw'");
}

TEST_F(OpenDatabaseTest, AFolderWithSemicolonsQuotesOrEqualsIsQuotedAndOpened) {
  EXPECT_EQ(JetConnectionString(u"/a;b=\"c'\\", u"data.mdb", u""),
            u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/a;b=\"\"c'\\data.mdb\";"
            u"Persist Security Info=False;Jet OLEDB:Database password=''");
  // "a" holds a database too: the folder must not be cut at its ';'.
  for (const std::string name : {"a", "a;b", "a;b=\"c'd\"", " a "}) {
    std::filesystem::create_directory(folder_ / name);
    ASSERT_TRUE(adodb::CreateDatabase(folder_ / name + "/data.mdb", DtTableSchema(1)).ok());
  }
  for (const std::string name : {"a;b", "a;b=\"c'd\"", " a "}) {
    SCOPED_TRACE(name);
    cn_.reset();
    EXPECT_TRUE(opendatabase(cn_, u"data.mdb", u"", files::ProgramPath(folder_ / name), &why_))
        << why_.ToString();
    EXPECT_EQ(cn_->data_source(), folder_ / name + "/data.mdb");
  }
}

TEST_F(OpenDatabaseTest, OpensAndCreatesTheConnectionOnFirstUse) {
  Make("data.mdb");
  EXPECT_TRUE(Call(u"data.mdb"));
  EXPECT_TRUE(why_.ok());
  ASSERT_EQ(State(), adodb::kStateOpen);
  EXPECT_EQ(cn_->data_source(), folder_ / "data.mdb");
}

TEST_F(OpenDatabaseTest, AcceptsAnyNameEndingInMdbWhateverItsCase) {
  for (const char* name : {"DATA.MDB", "data.Mdb", "datamdb", "mdb"}) {
    SCOPED_TRACE(name);
    Make(name);
    cn_.reset();
    EXPECT_TRUE(Call(unicode::FromUtf8(name))) << why_.ToString();
    EXPECT_EQ(State(), adodb::kStateOpen);
  }
}

TEST_F(OpenDatabaseTest, RejectsOtherNamesWithoutTryingToOpen) {
  Make("data.accdb");  // a real database, so only the name can turn it down
  for (const char16_t* name : {u"data.accdb", u"", u"b", u"db", u"data.mdbx"}) {
    SCOPED_TRACE(unicode::ToUtf8(name));
    EXPECT_FALSE(Call(name));
    EXPECT_EQ(State(), adodb::kStateClosed);
    EXPECT_EQ(why_.number(), ErrorNumber::kNotADatabase);
    EXPECT_NE(why_.description().find("mdb"), std::string::npos);
  }
}

TEST_F(OpenDatabaseTest, AFolderWithOrWithoutATrailingSeparatorNamesTheSameFile) {
  Make("data.mdb");
  const std::string expected = folder_ / "data.mdb";
  for (std::u16string pth : {folder_.u16(), folder_.u16() + u"\\", folder_.u16() + u"/"}) {
    SCOPED_TRACE(unicode::ToUtf8(pth));
    cn_.reset();
    EXPECT_TRUE(opendatabase(cn_, u"data.mdb", u"", pth, &why_)) << why_.ToString();
    EXPECT_EQ(cn_->data_source(), expected);
  }
}

TEST_F(OpenDatabaseTest, AnOpenConnectionStaysOpenAndUntouchedWhateverTheArguments) {
  Make("data.mdb");
  ASSERT_TRUE(Call(u"data.mdb"));
  adodb::Connection* first = cn_.get();
  EXPECT_FALSE(Call(u"data.mdb"));
  EXPECT_TRUE(why_.ok()) << "an open connection is no failure";
  EXPECT_FALSE(Call(u"data.accdb"));
  EXPECT_FALSE(Call(u"missing.mdb", u"secret"));
  EXPECT_EQ(cn_.get(), first) << "no second connection";
  EXPECT_EQ(cn_->data_source(), folder_ / "data.mdb");
  EXPECT_TRUE(cn_->Execute(u"select * from dt_table", -1).ok());
}

TEST_F(OpenDatabaseTest, AFailingOpenGivesFalseKeepsTheReasonAndALaterCallTriesAgain) {
  EXPECT_FALSE(Call(u"data.mdb"));
  EXPECT_EQ(State(), adodb::kStateClosed);
  EXPECT_EQ(why_.number(), ErrorNumber::kDatabaseNotFound);
  EXPECT_FALSE(folder_.Has("data.mdb"));
  Make("data.mdb");
  EXPECT_TRUE(Call(u"data.mdb"));
  EXPECT_EQ(State(), adodb::kStateOpen);
}

TEST_F(OpenDatabaseTest, APasswordOrAMissingFolderIsAFailureWithItsReason) {
  Make("data.mdb");
  EXPECT_FALSE(Call(u"data.mdb", u"secret"));
  EXPECT_EQ(why_.number(), ErrorNumber::kDatabasePassword);
  EXPECT_FALSE(opendatabase(cn_, u"data.mdb", u"", u"", &why_));
  EXPECT_EQ(why_.number(), ErrorNumber::kDatabaseNotFound);
  EXPECT_EQ(State(), adodb::kStateClosed);
  EXPECT_FALSE(opendatabase(cn_, u"data.mdb", u"", u"", nullptr)) << "the reason is optional";
}

}  // namespace
}  // namespace quillmere
