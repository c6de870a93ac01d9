#include "database/sql_literals.h"

#include <gtest/gtest.h>

namespace quillmere::sql {
namespace {

using Values = std::vector<std::string>;

TEST(ParameterizeTextLiteralsTest, TurnsEachTextLiteralIntoAParameter) {
  std::string shape;
  Values values;
  ASSERT_TRUE(ParameterizeTextLiterals(
      "insert into dt_table (field0,field1,field2) values('o''brien','','a;b')", &shape, &values));
  EXPECT_EQ(shape, "insert into dt_table (field0,field1,field2) values(?,?,?)");
  EXPECT_EQ(values, (Values{"o'brien", "", "a;b"}));
}

TEST(ParameterizeTextLiteralsTest, CopiesQuotedNamesWithTheirApostrophesAsTheyStand) {
  std::string shape;
  Values values;
  ASSERT_TRUE(ParameterizeTextLiterals(R"(insert into "it's" ([a'b], `c'd`, "e""f") values('?'))",
                                       &shape, &values));
  EXPECT_EQ(shape, R"(insert into "it's" ([a'b], `c'd`, "e""f") values(?))");
  EXPECT_EQ(values, (Values{"?"}));
}

TEST(ParameterizeTextLiteralsTest, RefusesWhatAPlainScanCannotReadSafely) {
  std::string shape;
  Values values;
  for (const char* sql : {"insert into t values('a') -- 'b", "insert into t /* ' */ values('a')",
                          "insert into t values('never closed)", "insert into t values(?, 'a')",
                          "insert into t values(:name, 'a')", "insert into \"t values('a')"}) {
    EXPECT_FALSE(ParameterizeTextLiterals(sql, &shape, &values)) << sql;
  }
}

}  // namespace
}  // namespace quillmere::sql
