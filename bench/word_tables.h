// The benchmarks' table: Word's web-page shape, 10 columns, the first column
// spanning three rows at a time, a column-spanning cell in every fifth row.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "convert/word_page.h"
#include "platform/encoding/unicode.h"

namespace quillmere {

inline constexpr int kBenchColumns = 10;

// The cells of the table, each listed in the row where it starts.
inline testing::PageTable BenchTable(int rows) {
  testing::PageTable table(rows);
  for (int r = 0; r < rows; ++r) {
    auto& row = table[r];
    if (r % 3 == 0) row.push_back({"组 " + std::to_string(r / 3), 1, std::min(3, rows - r)});
    if (r % 5 == 1) {
      row.push_back({"Merged across two", 2, 1});
      for (int c = 3; c < kBenchColumns; ++c) {
        row.push_back({"Cell " + std::to_string(r * 10 + c), 1, 1});
      }
    } else {
      for (int c = 1; c < kBenchColumns; ++c) {
        row.push_back({"Cell " + std::to_string(r * 10 + c), 1, 1});
      }
    }
  }
  return table;
}

// The markup after "<table ", as the start command cuts it from the page.
inline std::u16string TableOf(int rows) {
  std::string page = testing::WordTableMarkup(BenchTable(rows));
  return unicode::FromUtf8(page.substr(page.find("<table ") + 7));
}

enum class VerticalMerge { kNone, kRestart, kContinue };

// A cell placed on the grid: how many columns it takes, and whether it
// starts or continues a vertical merge.
struct PlacedCell {
  int span = 1;
  std::string text;
  VerticalMerge merge = VerticalMerge::kNone;
};

// The table as a word processor stores it: every row lists a cell for every
// grid column it covers, a row-spanning cell standing as an empty "continue"
// cell in each row below that it covers.
inline std::vector<std::vector<PlacedCell>> PlaceCells(const testing::PageTable& table) {
  std::vector<int> covered_until(kBenchColumns, 0);
  std::vector<int> covered_span(kBenchColumns, 1);
  std::vector<std::vector<PlacedCell>> rows(table.size());
  for (int r = 0; r < static_cast<int>(table.size()); ++r) {
    size_t next = 0;
    for (int c = 0; c < kBenchColumns;) {
      if (covered_until[c] > r) {
        rows[r].push_back({covered_span[c], "", VerticalMerge::kContinue});
        c += covered_span[c];
        continue;
      }
      const testing::PageCell& cell = table[r].at(next++);
      const bool merged = cell.rowspan > 1;
      rows[r].push_back(
          {cell.colspan, cell.text, merged ? VerticalMerge::kRestart : VerticalMerge::kNone});
      if (merged) {
        covered_until[c] = r + cell.rowspan;
        covered_span[c] = cell.colspan;
      }
      c += cell.colspan;
    }
  }
  return rows;
}

// Row `r` of the table as dt_table holds it after a run: every column's
// text lowercased and without blanks (the table's texts are ASCII and
// Chinese), a spanning cell's text in every column and row it covers.
inline std::vector<std::string> StoredRow(const std::vector<std::vector<PlacedCell>>& placed,
                                          size_t r) {
  std::vector<std::string> values;
  for (size_t i = 0; i < placed[r].size(); ++i) {
    size_t from = r;
    // A continue cell shows the text of the cell that starts its merge.
    while (placed[from][i].merge == VerticalMerge::kContinue) --from;
    std::string value;
    for (char c : placed[from][i].text) {
      if (c != ' ') value.push_back(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    values.insert(values.end(), placed[r][i].span, value);
  }
  return values;
}

}  // namespace quillmere
