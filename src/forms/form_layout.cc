#include "forms/form_layout.h"

#include <algorithm>
#include <map>

#include "forms/cell_text.h"
#include "forms/names.h"

namespace quillmere::forms {

namespace {

constexpr size_t kNone = SIZE_MAX;

// Which cell covers each place of each table's grid.
class CellGrid {
 public:
  explicit CellGrid(const Cells& cells) : cells_(cells) {
    for (const Cell& cell : cells) {
      if (static_cast<size_t>(cell.table) >= tables_.size()) tables_.resize(cell.table + 1);
      Table& table = tables_[cell.table];
      table.rows = std::max(table.rows, cell.row + cell.rows);
      table.columns = std::max(table.columns, cell.column + cell.columns);
    }
    for (Table& table : tables_) {
      table.at.assign(static_cast<size_t>(table.rows) * table.columns, kNone);
    }
    for (size_t i = 0; i < cells.size(); ++i) {
      const Cell& cell = cells[i];
      Table& table = tables_[cell.table];
      for (int r = cell.row; r < cell.row + cell.rows; ++r) {
        for (int c = cell.column; c < cell.column + cell.columns; ++c) {
          table.at[static_cast<size_t>(r) * table.columns + c] = i;
        }
      }
    }
  }

  // The cell covering row `row`, grid column `column` of `table`, or kNone.
  size_t At(int table, int row, int column) const {
    if (table < 0 || static_cast<size_t>(table) >= tables_.size()) return kNone;
    const Table& t = tables_[table];
    if (row < 0 || row >= t.rows || column < 0 || column >= t.columns) return kNone;
    return t.at[static_cast<size_t>(row) * t.columns + column];
  }

  const Cell& operator[](size_t i) const { return cells_[i]; }

 private:
  struct Table {
    int rows = 0;
    int columns = 0;
    std::vector<size_t> at;
  };
  const Cells& cells_;
  std::vector<Table> tables_;
};

bool SameWidth(const Cell& a, const Cell& b) {
  return a.column == b.column && a.columns == b.columns;
}

// A place for a value by its look alone.
bool HoldsValueByLook(const std::u16string& text) {
  return text.empty() || IsPlaceholder(text) || IsHint(text) || IsOptions(text);
}

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

// A row's cells as the shape compares them: where each one starts in the
// list of cells, and how many rows each reaches.
struct RowShape {
  int table = 0;
  int row = 0;
  size_t first = 0;
  std::vector<int> reaches;
};

std::vector<RowShape> RowShapes(const Cells& cells) {
  std::vector<RowShape> rows;
  for (size_t i = 0; i < cells.size(); ++i) {
    const Cell& cell = cells[i];
    if (rows.empty() || rows.back().table != cell.table || rows.back().row != cell.row) {
      rows.push_back({cell.table, cell.row, i, {}});
    }
    rows.back().reaches.push_back(cell.rows);
  }
  return rows;
}

int TableCount(const Cells& cells) { return cells.empty() ? 0 : cells.back().table + 1; }

int RowCount(const Cells& cells, int table) {
  int rows = 0;
  for (const Cell& cell : cells) {
    if (cell.table == table) rows = std::max(rows, cell.row + cell.rows);
  }
  return rows;
}

// The label of the form that says where cell `at` stands: the first label
// of its row, else the last label before it.
std::u16string LabelNear(const Cells& form, const std::vector<Role>& roles, size_t at) {
  for (size_t i = at;
       i < form.size() && form[i].table == form[at].table && form[i].row == form[at].row; ++i) {
    if (roles[i] == Role::kLabel) return form[i].text;
  }
  for (size_t i = std::min(at, form.size()); i-- > 0;) {
    if (roles[i] == Role::kLabel) return form[i].text;
  }
  return {};
}

// Cells in single-document reading, as the steps below set them.
class SingleReading {
 public:
  explicit SingleReading(const Cells& cells)
      : cells_(cells),
        roles_(cells.size(), Role::kNothing),
        known_(cells.size(), false),
        in_block_(cells.size(), false) {
    for (size_t i = 0; i < cells.size(); ++i) {
      const std::u16string& text = cells[i].text;
      if (HoldsValueByLook(text)) {
        Set(i, Role::kValue);
      } else if (text.back() == u':' || text.back() == u'：') {
        Set(i, Role::kLabel);
      }
    }
  }

  std::vector<Role> Roles() {
    const std::vector<RowShape> rows = RowShapes(cells_);
    FindBlocks(rows);
    for (const RowShape& row : rows) Alternate(row);
    return roles_;
  }

 private:
  void Set(size_t i, Role role) {
    roles_[i] = role;
    known_[i] = true;
  }

  static bool LooksLikeValue(const std::u16string& text) {
    return text.empty() || std::any_of(text.begin(), text.end(), [](char16_t c) {
             return (c >= u'0' && c <= u'9') || c == u'@';
           });
  }

  // The cells of a row that reach no further down than one row.
  std::vector<size_t> Flat(const RowShape& row) const {
    std::vector<size_t> flat;
    for (size_t k = 0; k < row.reaches.size(); ++k) {
      if (row.reaches[k] == 1) flat.push_back(row.first + k);
    }
    return flat;
  }

  // How many leading cells of `a` and `b` stand alike.
  size_t CommonStart(const std::vector<size_t>& a, const std::vector<size_t>& b) const {
    size_t n = 0;
    while (n < a.size() && n < b.size() && SameWidth(cells_[a[n]], cells_[b[n]])) ++n;
    return n;
  }

  // Rows whose first two cells (of one row's height) stand alike; among
  // them, a heading row without values over at least two rows whose
  // columns show values (IsBlock). Each stretch is tried at its first
  // rows that could head it, at most twice, so a long table costs no more
  // than its cells.
  void FindBlocks(const std::vector<RowShape>& rows) {
    std::vector<std::vector<size_t>> flat;
    for (const RowShape& row : rows) flat.push_back(Flat(row));
    for (size_t begin = 0; begin < rows.size();) {
      size_t end = begin + 1;
      while (end < rows.size() && rows[end].table == rows[begin].table &&
             CommonStart(flat[begin], flat[end]) >= 2) {
        ++end;
      }
      int tries = 0;
      for (size_t h = begin; h + 2 < end && tries < 2; ++h) {
        if (!CouldHead(flat[h], 2)) continue;
        ++tries;
        if (TakeBlock(flat, h, end)) break;
      }
      begin = end;
    }
  }

  // Whether the first `width` cells of a row are texts without digits,
  // none of them placed yet.
  bool CouldHead(const std::vector<size_t>& row, size_t width) const {
    return row.size() >= width && std::none_of(row.begin(), row.begin() + width, [&](size_t cell) {
             return LooksLikeValue(cells_[cell].text) || known_[cell];
           });
  }

  // Rows [h + 1, end) under row h as a block, when its headings are texts
  // and every column but the first (which may hold the rows' own labels)
  // shows a value somewhere: in a grid of labels and values, the labels'
  // columns never do.
  bool TakeBlock(const std::vector<std::vector<size_t>>& flat, size_t h, size_t end) {
    size_t width = flat[h].size();
    for (size_t r = h + 1; r < end; ++r) width = std::min(width, CommonStart(flat[h], flat[r]));
    if (!CouldHead(flat[h], width)) return false;
    for (size_t k = 1; k < width; ++k) {
      bool shows_value = false;
      for (size_t r = h + 1; r < end && !shows_value; ++r) {
        shows_value = LooksLikeValue(cells_[flat[r][k]].text);
      }
      if (!shows_value) return false;
    }
    for (size_t k = 0; k < width; ++k) {
      Set(flat[h][k], Role::kLabel);
      in_block_[flat[h][k]] = true;
    }
    for (size_t r = h + 1; r < end; ++r) {
      for (size_t k = 0; k < width; ++k) {
        const size_t cell = flat[r][k];
        const bool own_label = k == 0 && !LooksLikeValue(cells_[cell].text);
        Set(cell, own_label ? Role::kLabel : Role::kValue);
        in_block_[cell] = true;
      }
    }
    return true;
  }

  void Alternate(const RowShape& row) {
    Role next = Role::kLabel;
    for (size_t k = 0; k < row.reaches.size(); ++k) {
      const size_t i = row.first + k;
      const bool section = k + 1 < row.reaches.size() && row.reaches[k] > row.reaches[k + 1];
      if (!known_[i]) {
        Set(i, section ? Role::kLabel : next);
        if (section) continue;
      }
      // After a block's cells the row goes on as a row of its own.
      next = roles_[i] == Role::kLabel && !in_block_[i] ? Role::kValue : Role::kLabel;
    }
  }

  const Cells& cells_;
  std::vector<Role> roles_;
  std::vector<bool> known_;
  std::vector<bool> in_block_;
};

}  // namespace

std::vector<Role> TemplateRoles(const Cells& blank) {
  std::vector<Role> roles;
  roles.reserve(blank.size());
  for (const Cell& cell : blank) {
    roles.push_back(HoldsValueByLook(cell.text) ? Role::kValue : Role::kLabel);
  }
  return roles;
}

Comparison::Comparison(Cells first) : first_(std::move(first)), differs_(first_.size(), false) {}

void Comparison::Add(const Cells& cells) {
  for (size_t i = 0; i < cells.size() && i < first_.size(); ++i) {
    if (cells[i].text != first_[i].text) differs_[i] = true;
  }
}

std::vector<Role> Comparison::Roles() const {
  std::vector<Role> roles;
  roles.reserve(first_.size());
  for (size_t i = 0; i < first_.size(); ++i) {
    const std::u16string& text = first_[i].text;
    if (differs_[i]) {
      roles.push_back(Role::kValue);
    } else if (text.empty()) {
      roles.push_back(Role::kNothing);
    } else {
      // A quantity the same in every document is still a value: fifty
      // forms may share a postcode.
      const bool value = HoldsValueByLook(text) || IsQuantity(text);
      roles.push_back(value ? Role::kValue : Role::kLabel);
    }
  }
  return roles;
}

std::vector<Role> SingleDocumentRoles(const Cells& cells) { return SingleReading(cells).Roles(); }

std::vector<ValuePlace> NameValues(const Cells& cells, const std::vector<Role>& roles,
                                   const Cells* blank) {
  Naming naming(cells, roles, blank);
  const bool tables = TableCount(cells) > 1;
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

std::string ShapeOf(const Cells& cells) {
  std::string shape;
  for (const Cell& cell : cells) {
    for (int number : {cell.table, cell.row, cell.rows}) {
      shape += std::to_string(number);
      shape += ',';
    }
  }
  return shape;
}

Misfit FindMisfit(const Cells& form, const std::vector<Role>& roles, const Cells& cells,
                  bool fixed_labels) {
  Misfit misfit;
  const int tables = TableCount(form);
  if (TableCount(cells) != tables) {
    misfit.kind = Misfit::Kind::kTables;
    misfit.found = TableCount(cells);
    misfit.expected = tables;
    for (size_t i = 0; i < form.size(); ++i) {
      if (form[i].table == std::min(misfit.found, tables - 1)) {
        misfit.table = form[i].table;
        misfit.label = LabelNear(form, roles, i);
        break;
      }
    }
    return misfit;
  }
  const std::vector<RowShape> expected = RowShapes(form);
  const std::vector<RowShape> found = RowShapes(cells);
  for (size_t r = 0; r < expected.size(); ++r) {
    const RowShape& want = expected[r];
    const bool same = r < found.size() && found[r].table == want.table &&
                      found[r].row == want.row && found[r].reaches == want.reaches;
    if (same) continue;
    misfit.table = want.table;
    misfit.row = want.row;
    misfit.label = LabelNear(form, roles, want.first);
    const int form_rows = RowCount(form, want.table);
    const int document_rows = RowCount(cells, want.table);
    if (form_rows != document_rows) {
      misfit.kind = Misfit::Kind::kRows;
      misfit.found = document_rows;
      misfit.expected = form_rows;
    } else {
      misfit.kind = Misfit::Kind::kCells;
      misfit.expected = static_cast<int>(want.reaches.size());
      misfit.found = 0;
      for (const RowShape& row : found) {
        if (row.table == want.table && row.row == want.row) {
          misfit.found = static_cast<int>(row.reaches.size());
        }
      }
    }
    return misfit;
  }
  if (found.size() != expected.size() || cells.size() != form.size()) {
    misfit.kind = Misfit::Kind::kRows;
    misfit.table = tables - 1;
    misfit.found = RowCount(cells, misfit.table);
    misfit.expected = RowCount(form, misfit.table);
    misfit.label = LabelNear(form, roles, form.size() - 1);
    return misfit;
  }
  for (size_t i = 0; fixed_labels && i < form.size(); ++i) {
    if (roles[i] != Role::kLabel || cells[i].text == form[i].text) continue;
    misfit.kind = Misfit::Kind::kLabel;
    misfit.table = form[i].table;
    misfit.row = form[i].row;
    misfit.label = form[i].text;
    misfit.text = cells[i].text;
    return misfit;
  }
  return misfit;
}

std::vector<std::u16string> ReadRecord(const Cells& cells, const std::vector<ValuePlace>& places,
                                       const Cells* blank) {
  std::vector<std::u16string> record;
  record.reserve(places.size());
  for (const ValuePlace& place : places) {
    const std::u16string& text = cells[place.cell].text;
    if (IsOptions(text)) {
      record.push_back(ChosenOptions(text));
    } else if ((blank != nullptr && text == (*blank)[place.cell].text) || IsPlaceholder(text) ||
               IsHint(text)) {
      record.emplace_back();
    } else {
      record.push_back(text);
    }
  }
  return record;
}

}  // namespace quillmere::forms
