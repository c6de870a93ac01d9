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

// How a form names its values, given each cell's part.
class Naming {
 public:
  Naming(const Cells& cells, const std::vector<Role>& roles, const Cells* blank)
      : cells_(cells), roles_(roles), blank_(blank), grid_(cells) {}

  std::u16string NameOf(size_t v) const {
    const Cell& value = cells_[v];
    const size_t heading = HeadingOf(v);
    if (heading != kNone) {
      size_t index = 0;
      if (BlockRows(heading, v, &index) >= 2) return BlockName(v, heading, index);
    }
    if (size_t left = LabelLeftOf(value); left != kNone) return NameOfLabel(cells_[left].text);
    if (size_t above = LabelAbove(value); above != kNone) return NameOfLabel(cells_[above].text);
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
  bool Is(size_t cell, Role role) const { return cell != kNone && roles_[cell] == role; }

  // The label over the value, through values of its width: a column's
  // heading.
  size_t HeadingOf(size_t v) const {
    const Cell& value = cells_[v];
    for (int row = value.row - 1; row >= 0;) {
      const size_t above = grid_.At(value.table, row, value.column);
      if (above == kNone || !SameWidth(cells_[above], value)) return kNone;
      if (Is(above, Role::kLabel)) return above;
      if (!Is(above, Role::kValue)) return kNone;
      row = cells_[above].row - 1;
    }
    return kNone;
  }

  // How many values of the heading's width stand under it, one after
  // another; `index` gets the place of `v` among them, from 1.
  size_t BlockRows(size_t heading, size_t v, size_t* index) const {
    const Cell& head = cells_[heading];
    size_t count = 0;
    for (int row = head.row + head.rows;;) {
      const size_t below = grid_.At(head.table, row, head.column);
      if (!Is(below, Role::kValue) || !SameWidth(cells_[below], head)) break;
      ++count;
      if (below == v) *index = count;
      row = cells_[below].row + cells_[below].rows;
    }
    return count;
  }

  // A value of a repeating block: by the row's own label (a label under a
  // heading of the same row of headings) and its heading, or its heading
  // and its row's place.
  std::u16string BlockName(size_t v, size_t heading, size_t index) const {
    const Cell& value = cells_[v];
    const int heading_row = cells_[heading].row;
    auto under_heading = [&](size_t cell) {
      const size_t head = grid_.At(value.table, heading_row, cells_[cell].column);
      return Is(head, Role::kLabel) && SameWidth(cells_[head], cells_[cell]) &&
             cells_[head].row == heading_row;
    };
    size_t row_label = kNone;
    size_t value_columns = 0;
    for (size_t i = 0; i < cells_.size(); ++i) {
      const Cell& cell = cells_[i];
      if (cell.table != value.table || cell.row != value.row || !under_heading(i)) continue;
      if (Is(i, Role::kValue)) ++value_columns;
      if (Is(i, Role::kLabel) && cell.column < value.column) row_label = i;
    }
    const std::u16string head = NameOfLabel(cells_[heading].text);
    if (row_label != kNone && !IsAllDigits(NameOfLabel(cells_[row_label].text))) {
      const std::u16string row = NameOfLabel(cells_[row_label].text);
      return value_columns >= 2 ? row + u"_" + head : row;
    }
    std::string number = std::to_string(index);
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

  // The first label above the value in its first column, past values.
  size_t LabelAbove(const Cell& value) const {
    for (int row = value.row - 1; row >= 0;) {
      const size_t above = grid_.At(value.table, row, value.column);
      if (above == kNone) return kNone;
      if (Is(above, Role::kLabel)) return above;
      if (!Is(above, Role::kValue)) return kNone;
      row = cells_[above].row - 1;
    }
    return kNone;
  }

  const Cells& cells_;
  const std::vector<Role>& roles_;
  const Cells* blank_;
  CellGrid grid_;
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

  // A heading row without values over at least two rows whose cells (the
  // first of each, a row's own label, aside) all look like values.
  void FindBlocks(const std::vector<RowShape>& rows) {
    for (size_t h = 0; h + 2 < rows.size(); ++h) {
      const std::vector<size_t> heading = Flat(rows[h]);
      size_t width = heading.size();
      size_t end = h + 1;
      for (; end < rows.size() && rows[end].table == rows[h].table; ++end) {
        const size_t common = CommonStart(heading, Flat(rows[end]));
        if (common < 2) break;
        width = std::min(width, common);
      }
      if (end - h < 3 || !IsBlock(rows, h, end, width)) continue;
      for (size_t k = 0; k < width; ++k) {
        Set(heading[k], Role::kLabel);
        in_block_[heading[k]] = true;
      }
      for (size_t r = h + 1; r < end; ++r) {
        const std::vector<size_t> cells = Flat(rows[r]);
        for (size_t k = 0; k < width; ++k) {
          const bool own_label = k == 0 && !LooksLikeValue(cells_[cells[k]].text);
          Set(cells[k], own_label ? Role::kLabel : Role::kValue);
          in_block_[cells[k]] = true;
        }
      }
      h = end - 1;
    }
  }

  // Under a heading row without values, every column but the first (which
  // may hold the rows' own labels) shows a value somewhere: in a grid of
  // labels and values, the labels' columns never do.
  bool IsBlock(const std::vector<RowShape>& rows, size_t h, size_t end, size_t width) const {
    const std::vector<size_t> heading = Flat(rows[h]);
    for (size_t k = 0; k < width; ++k) {
      if (LooksLikeValue(cells_[heading[k]].text) || known_[heading[k]]) return false;
    }
    for (size_t k = 1; k < width; ++k) {
      bool shows_value = false;
      for (size_t r = h + 1; r < end && !shows_value; ++r) {
        shows_value = LooksLikeValue(cells_[Flat(rows[r])[k]].text);
      }
      if (!shows_value) return false;
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
  const Naming naming(cells, roles, blank);
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
