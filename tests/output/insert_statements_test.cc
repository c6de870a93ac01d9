#include "output/insert_statements.h"

#include <gtest/gtest.h>

#include "database_folder.h"

namespace quillmere {
namespace {

using testing::Rows;

class InsertStatementsTest : public testing::DatabaseFolder {
 protected:
  // Hands one row's cell texts, then the row end.
  Status Row(InsertStatements& statements, int64_t i, std::vector<std::u16string> cells) {
    for (size_t k = 0; k < cells.size(); ++k) {
      QM_RETURN_IF_ERROR(statements.Cell(static_cast<int64_t>(k), cells[k]));
    }
    return statements.EndRow(i);
  }
};

TEST_F(InsertStatementsTest, BuildsLogsAndExecutesEachTakenRowAsItEnds) {
  InsertStatements statements(*form_.cn, false);
  ASSERT_TRUE(statements.BeginRows().ok());
  ASSERT_TRUE(Row(statements, 1, {u"<td>name", u"<td>qty", u"<td>note"}).ok());
  EXPECT_EQ(statements.strSqlLog(), u"") << "a header row is neither logged nor inserted";
  EXPECT_EQ(Table(), Rows{});

  ASSERT_TRUE(Row(statements, 2, {u"<td>o'brien", u"<td>12", u"<td>"}).ok());
  EXPECT_EQ(statements.strSqlLog(),
            u"\r\n<br>insert into dt_table (field0,field1,field2) values('o''brien','12','')");
  EXPECT_EQ(Table(), (Rows{{"o'brien", "12", ""}})) << "an empty cell is '', never NULL";

  ASSERT_TRUE(Row(statements, 3, {u"<td>a<td>b", u"bare", u"<td>c"}).ok());
  EXPECT_EQ(statements.strSqlLog(),
            u"\r\n<br>insert into dt_table (field0,field1,field2) values('o''brien','12','')"
            u"\r\n<br>insert into dt_table (field0,field1,field2) values('ab','bare','c')");
}

TEST_F(InsertStatementsTest, TheFirstRowIsInsertedWhenItIsData) {
  InsertStatements statements(*form_.cn, true);
  ASSERT_TRUE(statements.BeginRows().ok());
  ASSERT_TRUE(Row(statements, 1, {u"<td>name", u"<td>qty", u"<td>note"}).ok());
  ASSERT_TRUE(Row(statements, 2, {u"<td>x", u"<td>y", u"<td>z"}).ok());
  EXPECT_EQ(Table(), (Rows{{"name", "qty", "note"}, {"x", "y", "z"}}));
}

TEST_F(InsertStatementsTest, ValuesAreCutTo200CharactersBeforeQuotesAreDoubled) {
  const std::u16string prefixed = u"<td>" + std::u16string(300, u'x');
  const std::u16string bare(300, u'y');
  const std::u16string quote_at_cut = std::u16string(199, u'q') + u"'zzz";
  InsertStatements statements(*form_.cn, true);
  ASSERT_TRUE(statements.BeginRows().ok());
  Status status = Row(statements, 1, {prefixed, bare, quote_at_cut});
  ASSERT_TRUE(status.ok()) << status.ToString() << " (the cut must fit the columns' limit)";
  EXPECT_EQ(Table(),
            (Rows{{std::string(196, 'x'), std::string(200, 'y'), std::string(199, 'q') + "'"}}));
  // The doubled quote stands whole at the end of the third literal.
  EXPECT_NE(statements.strSqlLog().find(u"'" + std::u16string(199, u'q') + u"''')"),
            std::u16string::npos);
}

TEST_F(InsertStatementsTest, ARowWithoutCellsIsRefusedInsteadOfSendingAnEmptyInsert) {
  InsertStatements statements(*form_.cn, true);
  ASSERT_TRUE(statements.BeginRows().ok());
  Status status = Row(statements, 1, {});
  EXPECT_EQ(status.number(), ErrorNumber::kNoColumns);
  EXPECT_EQ(statements.strSqlLog(), u"");
}

TEST_F(InsertStatementsTest, AColumnTheTableLacksFailsTheStatement) {
  InsertStatements statements(*form_.cn, true);
  ASSERT_TRUE(statements.BeginRows().ok());
  Status status = Row(statements, 1, {u"<td>a", u"<td>b", u"<td>c", u"<td>d"});
  EXPECT_EQ(status.number(), ErrorNumber::kStatementFailed);
  EXPECT_NE(status.description().find("field3"), std::string::npos) << status.description();
}

}  // namespace
}  // namespace quillmere
