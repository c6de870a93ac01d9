// How a form names its values: by labels to their left or above them, by
// headings over repeating blocks, by fields' and placeholders' names.
#include <algorithm>

#include "forms/cell_text.h"
#include "forms/form_layout.h"
#include "forms/layout_internal.h"
#include "forms/names.h"

namespace quillmere::forms {

namespace {

using layout::CellGrid;
using layout::kNone;
using layout::SameWidth;

bool IsAllDigits(std::u16string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// How a form names its values, given each cell's part. Every walk up a
// column is remembered, so naming a long table costs no more than its
// cells.
class Naming {
 public:
  Naming(const Cells& cells, const std::vector<Role>& roles, const Cells* blank)
      : cells_(cells),
        roles_(roles),
        blank_(blank),
        grid_(cells),
        heading_(cells.size(), kUnknown),
        label_above_(cells.size(), kUnknown),
        block_rows_(cells.size(), 0),
        block_index_(cells.size(), 0) {}

  std::u16string NameOf(size_t v) {
    const Cell& value = cells_[v];
    const size_t heading = HeadingOf(v);
    if (heading != kNone && BlockRows(heading) >= 2) return BlockName(v, heading);
    if (size_t left = LabelLeftOf(value); left != kNone) return NameOfLabel(cells_[left].text);
    if (size_t above = LabelAbove(v); above != kNone) return NameOfLabel(cells_[above].text);
    if (!value.field_name.empty()) return value.field_name;
    const std::u16string& shown = blank_ != nullptr ? (*blank_)[v].text : value.text;
    if (std::u16string name = PlaceholderName(shown); !name.empty()) return name;
    return {};
  }

  // Where the value stands, for a value that nothing names.
  std::u16string PlaceName(size_t v, bool tables) const {
    const Cell& value = cells_[v];
    std::string name = "R" + std::to_string(value.row + 1) + "C" + std::to_string(value.column + 1);
    if (tables) name = "T" + std::to_string(value.table + 1) + name;
    return std::u16string(name.begin(), name.end());
  }

 private:
  static constexpr size_t kUnknown = SIZE_MAX - 1;

  bool Is(size_t cell, Role role) const { return cell != kNone && roles_[cell] == role; }

  // The cell right above `cell`, at its first column.
  size_t Above(size_t cell) const {
    return grid_.At(cells_[cell].table, cells_[cell].row - 1, cells_[cell].column);
  }

  // The label over the value, through values of its width: a column's
  // heading. Each cell walked through gets the same answer.
  size_t HeadingOf(size_t v) {
    std::vector<size_t> walked;
    size_t heading = kNone;
    for (size_t cell = v;;) {
      if (heading_[cell] != kUnknown) {
        heading = heading_[cell];
        break;
      }
      walked.push_back(cell);
      const size_t above = Above(cell);
      if (above == kNone || !SameWidth(cells_[above], cells_[cell])) break;
      if (Is(above, Role::kLabel)) heading = above;
      if (!Is(above, Role::kValue)) break;
      cell = above;
    }
    for (size_t cell : walked) heading_[cell] = heading;
    return heading;
  }

  // How many values of the heading's width stand under it, one after
  // another, each noting its place among them (from 1).
  size_t BlockRows(size_t heading) {
    if (block_rows_[heading] > 0) return block_rows_[heading];
    const Cell& head = cells_[heading];
    size_t count = 0;
    for (int row = head.row + head.rows;;) {
      const size_t below = grid_.At(head.table, row, head.column);
      if (!Is(below, Role::kValue) || !SameWidth(cells_[below], head)) break;
      block_index_[below] = ++count;
      row = cells_[below].row + cells_[below].rows;
    }
    return block_rows_[heading] = std::max<size_t>(count, 1);
  }

  // A value of a repeating block: by the row's own label (a label under a
  // heading of the same row of headings) and its heading, or its heading
  // and its row's place.
  std::u16string BlockName(size_t v, size_t heading) const {
    const Cell& value = cells_[v];
    const int heading_row = cells_[heading].row;
    size_t row_label = kNone;
    size_t value_columns = 0;
    for (int column = 0;;) {
      const size_t cell = grid_.At(value.table, value.row, column);
      if (cell == kNone) break;
      const size_t head = grid_.At(value.table, heading_row, column);
      const bool under_heading = cells_[cell].row == value.row && Is(head, Role::kLabel) &&
                                 cells_[head].row == heading_row &&
                                 SameWidth(cells_[head], cells_[cell]);
      if (under_heading && Is(cell, Role::kValue)) ++value_columns;
      if (under_heading && Is(cell, Role::kLabel) && column < value.column) row_label = cell;
      column = cells_[cell].column + cells_[cell].columns;
    }
    const std::u16string head = NameOfLabel(cells_[heading].text);
    if (row_label != kNone && !IsAllDigits(NameOfLabel(cells_[row_label].text))) {
      const std::u16string row = NameOfLabel(cells_[row_label].text);
      return value_columns >= 2 ? row + u"_" + head : row;
    }
    std::string number = std::to_string(block_index_[v]);
    return head + u"_" + std::u16string(number.begin(), number.end());
  }

  // The nearest label to the left of the value in its first row, past
  // values and empty cells.
  size_t LabelLeftOf(const Cell& value) const {
    for (int column = value.column - 1; column >= 0;) {
      const size_t left = grid_.At(value.table, value.row, column);
      if (left == kNone) return kNone;
      if (Is(left, Role::kLabel)) return left;
      column = cells_[left].column - 1;
    }
    return kNone;
  }

  // The first label above the value in its first column, past values. The
  // values walked through that begin in the same column get the same
  // answer.
  size_t LabelAbove(size_t v) {
    std::vector<size_t> walked;
    size_t label = kNone;
    const int column = cells_[v].column;
    for (size_t cell = v;;) {
      if (cells_[cell].column == column) {
        if (label_above_[cell] != kUnknown) {
          label = label_above_[cell];
          break;
        }
        walked.push_back(cell);
      }
      const size_t above = grid_.At(cells_[v].table, cells_[cell].row - 1, column);
      if (Is(above, Role::kLabel)) label = above;
      if (!Is(above, Role::kValue)) break;
      cell = above;
    }
    for (size_t cell : walked) label_above_[cell] = label;
    return label;
  }

  const Cells& cells_;
  const std::vector<Role>& roles_;
  const Cells* blank_;
  CellGrid grid_;
  std::vector<size_t> heading_;      // HeadingOf each cell, once found
  std::vector<size_t> label_above_;  // LabelAbove each cell, once found
  std::vector<size_t> block_rows_;   // BlockRows of each heading, once counted
  std::vector<size_t> block_index_;  // each value's place under its heading
};

}  // namespace

std::vector<ValuePlace> NameValues(const Cells& cells, const std::vector<Role>& roles,
                                   const Cells* blank) {
  Naming naming(cells, roles, blank);
  const bool tables = layout::TableCount(cells) > 1;
  std::vector<ValuePlace> places;
  for (size_t v = 0; v < cells.size(); ++v) {
    if (roles[v] != Role::kValue) continue;
    std::u16string name = naming.NameOf(v);
    if (name.empty()) {
      // A place nothing names that holds nothing says nothing.
      const std::u16string& shown = blank != nullptr ? (*blank)[v].text : cells[v].text;
      if (shown.empty()) continue;
      name = naming.PlaceName(v, tables);
    }
    places.push_back({v, std::move(name)});
  }
  return places;
}

}  // namespace quillmere::forms
