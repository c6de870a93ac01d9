// Every table of real pages that Word saved converts without a crash, and
// every row of it comes out with the same number of cells.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "convert/conversion.h"
#include "convert/ustring.h"
#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"
#include "recorder.h"
#include "support/fixtures.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;

// The page's text: by its byte-order mark, else as code page 936 (the pages
// without a mark declare gb2312 or plain ASCII markup).
std::u16string PageText(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    std::u16string text((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) {
      text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 + 2 * i]) |
                                      static_cast<unsigned char>(bytes[3 + 2 * i]) << 8);
    }
    return text;
  }
  if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) return unicode::FromUtf8(bytes.substr(3));
  return codepage::DecodeCp936(bytes);
}

TEST(WordHtmlFixtureTest, EveryTableConvertsToRowsOfEqualWidth) {
  QM_REQUIRE_FIXTURE("wordhtml");
  fs::path folder = testing::FixturePath("wordhtml");
  int tables = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::u16string page = PageText(bytes.str());
    std::vector<text::TextView> pieces = text::Split(page, u"<table ");
    for (size_t n = 1; n < pieces.size(); ++n) {
      testing::Recorder recorder;
      Status status = ConvertTable(pieces[n], recorder, recorder);
      SCOPED_TRACE(entry.path().filename().string() + " table " + std::to_string(n));
      if (!status.ok()) {
        // A piece cut off by a nested table may hold no row of its own.
        EXPECT_TRUE(status.number() == ErrorNumber::kNoRows ||
                    status.number() == ErrorNumber::kNoColumns)
            << status.ToString();
        continue;
      }
      ++tables;
      ASSERT_FALSE(recorder.grid.empty());
      for (const auto& row : recorder.grid) EXPECT_EQ(row.size(), recorder.grid[0].size());
    }
  }
  EXPECT_GT(tables, 30);
}

}  // namespace
}  // namespace quillmere
