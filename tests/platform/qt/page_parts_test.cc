#include "platform/qt/page_parts.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmere {
namespace {

// A page shaped as the preview page: a table of `rows` rows (each row its
// own line, two-byte characters included), then a statement a line.
std::string PreviewShaped(int rows) {
  std::string page = "<table border=1> ";
  for (int r = 0; r < rows; ++r) {
    page += "\r\n<tr><td>\xD7\xE9" + std::to_string(r) + "</td><td>&nbsp;</td></td>";
  }
  page += "</tr></table>";
  for (int r = 0; r < rows; ++r)
    page += "\r\n<br>insert into dt_table values('" + std::to_string(r) + "')";
  return page + "\r\n";
}

constexpr std::string_view kTableTag = "<table border=1>";
constexpr std::string_view kTableEnd = "</table>";

TEST(PagePartsTest, APageWithinThePartSizeIsOnePart) {
  const std::string page = PreviewShaped(20);
  PageParts parts(page, page.size());
  ASSERT_EQ(parts.count(), 1u);
  EXPECT_EQ(parts.Part(0), page);
}

// Every row and statement in exactly one part, in order, each part cut before
// a line and no longer than asked; a table cut across is closed and opened
// again, so each part is a page of its own.
TEST(PagePartsTest, ALongPageIsCutBetweenLinesAndEveryPartShowsItsRowsAsATable) {
  const std::string page = PreviewShaped(1000);
  const size_t part_bytes = 2000;
  PageParts parts(page, part_bytes);
  ASSERT_GT(parts.count(), page.size() / part_bytes);
  std::string joined;
  bool in_table = true;
  for (size_t i = 0; i < parts.count(); ++i) {
    std::string part = parts.Part(i);
    SCOPED_TRACE(i);
    if (in_table) {
      ASSERT_EQ(part.substr(0, kTableTag.size()), kTableTag);
      if (i > 0) part.erase(0, kTableTag.size());
    }
    in_table = part.find(kTableEnd) == part.size() - kTableEnd.size();
    if (in_table) part.resize(part.size() - kTableEnd.size());
    EXPECT_LE(part.size(), part_bytes);
    if (i > 0) {
      EXPECT_EQ(part.substr(0, 1), "<");
    }
    EXPECT_EQ(part.substr(part.size() - 2), "\r\n") << "cut inside a line";
    joined += part;
  }
  EXPECT_EQ(joined, page);
}

TEST(PagePartsTest, ALineLongerThanAPartStaysWhole) {
  const std::string long_line = "<br>" + std::string(500, 'x') + "\r\n";
  const std::string page = "<p>a</p>\r\n" + long_line + "<br>b\r\n";
  PageParts parts(page, 100);
  ASSERT_EQ(parts.count(), 3u);
  EXPECT_EQ(parts.Part(0), "<p>a</p>\r\n");
  EXPECT_EQ(parts.Part(1), long_line);
  EXPECT_EQ(parts.Part(2), "<br>b\r\n");
}

}  // namespace
}  // namespace quillmere
