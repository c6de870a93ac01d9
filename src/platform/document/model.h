// The document model every reader fills and the web-page writer reads.
//
// A document is a sequence of blocks: paragraphs and tables. A table is rows
// of cells on a grid of columns; a cell covers one or more grid columns, may
// start or continue a vertical merge, and holds blocks of its own (nested
// tables included). Nothing here depends on the file format a reader came
// from.
#pragma once

#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace quillmere::document {

struct Inline {
  enum class Kind { kText, kLineBreak, kTab };
  Kind kind = Kind::kText;
  std::u16string text;  // for kText only
};

struct Paragraph {
  std::vector<Inline> inlines;

  void AddText(std::u16string_view text) {
    if (text.empty()) return;
    if (!inlines.empty() && inlines.back().kind == Inline::Kind::kText) {
      inlines.back().text.append(text);
    } else {
      inlines.push_back({Inline::Kind::kText, std::u16string(text)});
    }
  }
  void AddBreak() { inlines.push_back({Inline::Kind::kLineBreak, {}}); }
  void AddTab() { inlines.push_back({Inline::Kind::kTab, {}}); }
};

struct Table;
using Block = std::variant<Paragraph, std::unique_ptr<Table>>;

enum class VerticalMerge {
  kNone,
  kRestart,   // first cell of a vertical merge: it holds the text
  kContinue,  // covered by the cell above in the same grid column
};

struct Cell {
  int grid_span = 1;  // grid columns the cell covers, at least 1
  VerticalMerge vertical_merge = VerticalMerge::kNone;
  std::vector<Block> blocks;  // paragraphs and nested tables, in order
};

// Whether the cell shows anything: a nested table, or a paragraph with
// something in it.
inline bool HasContent(const Cell& cell) {
  for (const Block& block : cell.blocks) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph == nullptr || !paragraph->inlines.empty()) return true;
  }
  return false;
}

struct Row {
  int grid_before = 0;  // grid columns left empty before the first cell
  int grid_after = 0;   // grid columns left empty after the last cell
  std::vector<Cell> cells;
};

// The width of a grid column nothing in the file measures: one inch.
inline constexpr int kDefaultColumnTwips = 1440;

struct Table {
  // Width of every grid column, in twips (1/1440 inch); its size is the
  // number of grid columns.
  std::vector<int> grid_column_widths;
  std::vector<Row> rows;
};

struct Document {
  std::vector<Block> body;
};

}  // namespace quillmere::document
