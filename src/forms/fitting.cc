// Whether a document fits a form, where it parts from it, and the record
// it holds.
#include <algorithm>

#include "forms/cell_text.h"
#include "forms/form_layout.h"
#include "forms/layout_internal.h"

namespace quillmere::forms {

namespace {

using layout::RowShape;
using layout::RowShapes;
using layout::TableCount;

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

}  // namespace

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
