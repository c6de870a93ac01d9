#include "database/sql_literals.h"

#include <gtest/gtest.h>

#include "platform/encoding/unicode.h"

namespace quillmere::sql {
namespace {

using Values = std::vector<std::u16string>;

TEST(ParameterizeTextLiteralsTest, TurnsEachTextLiteralIntoAParameter) {
  std::u16string shape;
  Values values;
  ASSERT_TRUE(ParameterizeTextLiterals(
      u"insert into dt_table (field0,field1,field2) values('o''brien','','a;b')", &shape, &values));
  EXPECT_EQ(shape, u"insert into dt_table (field0,field1,field2) values(?,?,?)");
  EXPECT_EQ(values, (Values{u"o'brien", u"", u"a;b"}));
}

TEST(ParameterizeTextLiteralsTest, CopiesQuotedNamesWithTheirApostrophesAsTheyStand) {
  std::u16string shape;
  Values values;
  ASSERT_TRUE(ParameterizeTextLiterals(uR"(insert into "it's" ([a'b], `c'd`, "e""f") values('?'))",
                                       &shape, &values));
  EXPECT_EQ(shape, uR"(insert into "it's" ([a'b], `c'd`, "e""f") values(?))");
  EXPECT_EQ(values, (Values{u"?"}));
}

TEST(ParameterizeTextLiteralsTest, RefusesWhatAPlainScanCannotReadSafely) {
  std::u16string shape;
  Values values;
  for (const char16_t* sql :
       {u"insert into t values('a') -- 'b", u"insert into t /* ' */ values('a')",
        u"insert into t values('never closed)", u"insert into t values(?, 'a')",
        u"insert into t values(:name, 'a')", u"insert into \"t values('a')"}) {
    EXPECT_FALSE(ParameterizeTextLiterals(sql, &shape, &values)) << unicode::ToUtf8(sql);
  }
}

}  // namespace
}  // namespace quillmere::sql
