// The benchmarks' tables: Word's web-page shape, 10 columns, the first column
// spanning three rows at a time, a column-spanning cell in every fifth row.
// The cells of one hold short ASCII texts, those of the other mostly Chinese
// ones.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/word_page.h"
#include "platform/encoding/unicode.h"

namespace quillmere {

inline constexpr int kBenchColumns = 10;

enum class BenchText {
  kAscii,    // "Cell 1234"; the first column's "组 12"
  kChinese,  // 24 to 48 Chinese characters and a number
};

// Common Chinese characters (each 3 bytes of UTF-8, 2 of code page 936).
inline constexpr std::string_view kChineseCharacters =
    "的一是在不了有和人这中大为上个国我以要他时来用们生到作地于出就分对成会可主发年动同工"
    "也能下过子说产种面而方后多定行学法所民得经十三之进着等部度家电力里如水化高自二理起小物"
    "现实加量都两体制机当使点从业本去把性好应开它合还因由其些然前外天政四日那社义事平形相全"
    "表间样与关各重新线内数正心反你明看原又么利比或但质气第向道命此变条只没结解问意建月公无"
    "系军很情者最立代想已通并提直题党程展五果料象员革位入常文总次品式活设及管特件长求老头基";

// Cell `number`'s text in the mostly-Chinese table: a run of 24 to 48 characters
// picked by the number, then the number itself.
inline std::string ChineseCellText(int number) {
  constexpr size_t kBytesPerCharacter = 3;
  const size_t characters = kChineseCharacters.size() / kBytesPerCharacter;
  uint32_t state = static_cast<uint32_t>(number) * 2654435761u + 1;
  std::string text;
  for (uint32_t n = 24 + state % 25; n > 0; --n) {
    state = state * 1664525u + 1013904223u;
    text.append(kChineseCharacters.substr((state >> 8) % characters * kBytesPerCharacter,
                                          kBytesPerCharacter));
  }
  return text + std::to_string(number);
}

// The cells of the table, each listed in the row where it starts.
inline testing::PageTable BenchTable(int rows, BenchText texts = BenchText::kAscii) {
  const bool chinese = texts == BenchText::kChinese;
  auto cell = [&](int number) {
    return chinese ? ChineseCellText(number) : "Cell " + std::to_string(number);
  };
  testing::PageTable table(rows);
  for (int r = 0; r < rows; ++r) {
    auto& row = table[r];
    if (r % 3 == 0) {
      row.push_back(
          {(chinese ? "第" + std::to_string(r / 3) + "组" : "组 " + std::to_string(r / 3)), 1,
           std::min(3, rows - r)});
    }
    if (r % 5 == 1) {
      row.push_back({chinese ? "跨两列合并的单元格" : "Merged across two", 2, 1});
      for (int c = 3; c < kBenchColumns; ++c) row.push_back({cell(r * 10 + c), 1, 1});
    } else {
      for (int c = 1; c < kBenchColumns; ++c) row.push_back({cell(r * 10 + c), 1, 1});
    }
  }
  return table;
}

// The markup after "<table ", as the start command cuts it from the page.
inline std::u16string TableOf(int rows, BenchText texts = BenchText::kAscii) {
  std::string page = testing::WordTableMarkup(BenchTable(rows, texts));
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
