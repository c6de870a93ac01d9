#include "output/preview_page.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/encoding/codepage.h"

namespace quillmere {
namespace {

// Hands `rows` rows to the page, each with a full cell, an empty one and a
// Chinese one, and returns the page's pieces joined.
std::string PageOf(PreviewPage& preview, const TextLog& log, int rows) {
  EXPECT_TRUE(preview.BeginRows().ok());
  for (int i = 1; i <= rows; ++i) {
    EXPECT_TRUE(preview.Cell(0, u"<td>cell" + std::u16string(i % 50, u'x')).ok());
    EXPECT_TRUE(preview.Cell(1, u"<td>").ok());
    EXPECT_TRUE(preview.Cell(2, u"<td>表格").ok());
    EXPECT_TRUE(preview.EndRow(i).ok());
  }
  std::string page;
  for (std::string_view piece : preview.PagePieces(log)) page.append(piece);
  return page;
}

TEST(PreviewPageTest, RowsStreamedAsTheyComeMakeTheSamePage) {
  TextLog log;
  log.Append(u"\r\n<br>insert into dt_table (field0) values('表')");
  PreviewPage kept(true);
  const std::string whole = PageOf(kept, log, 5000);  // rows over many blocks
  const std::string first_row =
      "<table border=1> \r\n<tr><td>cellx</td><td>&nbsp;</td><td>" +
      codepage::EncodeCp936(u"表格", codepage::Unencodable::kQuestionMark) + "</td></td>\r\n";
  EXPECT_EQ(whole.substr(0, first_row.size()), first_row);
  EXPECT_EQ(whole.substr(whole.size() - 2), "\r\n");

  PreviewPage streamed(true);
  std::string written;
  size_t writes = 0;
  const files::FileSystem::PieceWriter write = [&](std::string_view piece) {
    written.append(piece);
    ++writes;
    return Status();
  };
  streamed.StreamTo(write);
  const std::string rest = PageOf(streamed, log, 5000);
  EXPECT_GT(writes, 2u) << "the start and full blocks go as they are made";
  EXPECT_EQ(written + rest, whole);
}

TEST(PreviewPageTest, AWriteThatFailsFailsTheRowThatFilledTheBlock) {
  PreviewPage preview(true);
  const files::FileSystem::PieceWriter refuse = [](std::string_view piece) {
    return piece.size() > 100 ? Status(ErrorNumber::kDiskFull, "full") : Status();
  };
  preview.StreamTo(refuse);
  ASSERT_TRUE(preview.BeginRows().ok());
  Status status;
  for (int i = 1; status.ok() && i < 100000; ++i) {
    ASSERT_TRUE(preview.Cell(0, u"<td>" + std::u16string(100, u'y')).ok());
    status = preview.EndRow(i);
  }
  EXPECT_EQ(status.number(), ErrorNumber::kDiskFull);
}

}  // namespace
}  // namespace quillmere
