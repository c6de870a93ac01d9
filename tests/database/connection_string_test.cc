#include "database/connection_string.h"

#include <gtest/gtest.h>

#include "platform/encoding/unicode.h"

namespace quillmere::connection_string {
namespace {

TEST(ConnectionStringTest, AnAdoValueReadsBackAsWrittenWhateverItHolds) {
  for (const char16_t* value : {u"plain", u"a;b", u"x=\"y\"", u"it's", u" padded ", u""}) {
    const std::u16string text = u"Provider=P;Data Source=" + AdoValue(value) + u";Other=o";
    SCOPED_TRACE(unicode::ToUtf8(text));
    auto values = ReadAdo(unicode::ToUtf8(text));
    EXPECT_EQ(values["data source"], unicode::ToUtf8(value));
    EXPECT_EQ(values["other"], "o");
  }
  EXPECT_EQ(ReadAdo(" KEY = 'it''s;' ; lone; k2=\"\"")["key"], "it's;");
}

TEST(ConnectionStringTest, OdbcEntriesKeepBracedValuesWholeAndPasswordsOutOfMessages) {
  const std::string text =
      "Provider=MSDASQL; DSN = {a;b}}c} ;;UID=u;" + OdbcEntryText("PWD", "p;}w") + ";password=x";
  const std::vector<OdbcEntry> entries = ReadOdbc(text);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[1].key, "dsn");
  EXPECT_EQ(entries[1].text, "DSN = {a;b}}c}");
  EXPECT_EQ(entries[1].Value(), "a;b}c");
  EXPECT_TRUE(entries[3].IsPassword());
  EXPECT_EQ(entries[3].Value(), "p;}w");
  EXPECT_EQ(WithoutPassword(unicode::FromUtf8(text)), "DSN = {a;b}}c};UID=u");
  EXPECT_EQ(ForFileDsn("/d}s/data.dsn"), u"Provider=MSDASQL;FILEDSN={/d}}s/data.dsn}");
}

}  // namespace
}  // namespace quillmere::connection_string
