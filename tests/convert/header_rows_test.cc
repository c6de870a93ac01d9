// How many rows a table's header takes, read from its spans.
#include <gtest/gtest.h>

#include "convert/header_rows.h"
#include "convert/word_page.h"
#include "platform/encoding/unicode.h"

namespace quillmere {
namespace {

using testing::PageTable;

int64_t HeaderRowsOf(const PageTable& table) {
  return HeaderRowCount(unicode::FromUtf8(testing::WordTableMarkup(table)));
}

TEST(HeaderRowsTest, TheHeaderReachesAsFarDownAsItsHeadingsSpan) {
  struct Case {
    const char* what;
    PageTable table;
    int64_t rows;
  };
  const Case cases[] = {
      {"no spans", {{{"a"}, {"b"}}, {{"1"}, {"2"}}}, 1},
      {"a heading over two columns, the others spanning two rows",
       {{{"姓名", 1, 2}, {"成绩", 2, 1}}, {{"语文"}, {"数学"}}, {{"张三"}, {"90"}, {"80"}}},
       2},
      {"three levels",
       {{{"姓名", 1, 3}, {"成绩", 2, 1}},
        {{"期中", 2, 1}},
        {{"语文"}, {"数学"}},
        {{"张三"}, {"90"}, {"80"}}},
       3},
      {"a row span that begins in the header's second row reaches further",
       {{{"a", 1, 2}, {"b", 2, 1}}, {{"c", 1, 2}, {"d"}}, {{"1"}}, {{"2"}, {"3"}, {"4"}}},
       3},
      {"a label down the side, no heading over columns",
       {{{"世界", 1, 3}, {"亞太"}}, {{"美洲"}}, {{"歐洲"}}},
       1},
      {"merged cells of the body only", {{{"a"}, {"b"}}, {{"组", 1, 3}, {"1"}}, {{"2"}}}, 1},
      {"deeper than a header goes",
       {{{"照片", 1, 6}, {"a", 2, 1}}, {{"b"}, {"c"}}, {{"d"}}, {{"e"}}, {{"f"}}, {{"g"}}},
       1},
      {"a table shorter than its header", {{{"a", 1, 3}, {"b", 2, 1}}}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(HeaderRowsOf(c.table), c.rows);
  }
  EXPECT_EQ(HeaderRowCount(u"border=1>\r\n<TR>\r\n<TD ROWSPAN=2>a</TD><TD COLSPAN=2>b</TD>"
                           u"</TR>\r\n<TR>\r\n<TD>c</TD><TD>d</TD></TR>\r\n</TABLE>"),
            2);
  EXPECT_EQ(HeaderRowCount(u"no table at all"), 1);
}

}  // namespace
}  // namespace quillmere
