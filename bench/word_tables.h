// The benchmarks' table: Word's web-page shape, 10 columns, the first column
// spanning three rows at a time, a column-spanning cell in every fifth row.
#pragma once

#include <algorithm>
#include <string>

#include "convert/word_page.h"
#include "platform/unicode.h"

namespace quillmere {

// The markup after "<table ", as the start command cuts it from the page.
inline std::u16string TableOf(int rows) {
  testing::PageTable table(rows);
  for (int r = 0; r < rows; ++r) {
    auto& row = table[r];
    if (r % 3 == 0) row.push_back({"组 " + std::to_string(r / 3), 1, std::min(3, rows - r)});
    if (r % 5 == 1) {
      row.push_back({"Merged across two", 2, 1});
      for (int c = 3; c < 10; ++c) row.push_back({"Cell " + std::to_string(r * 10 + c), 1, 1});
    } else {
      for (int c = 1; c < 10; ++c) row.push_back({"Cell " + std::to_string(r * 10 + c), 1, 1});
    }
  }
  std::string page = testing::WordTableMarkup(table);
  return unicode::FromUtf8(page.substr(page.find("<table ") + 7));
}

}  // namespace quillmere
