// A form's layout: which cells are labels and which hold values, what each
// value is named, whether a document fits the form, and a document's
// record.
//
// Cells of two documents are the same cell when they stand in the same
// table, row and place in the row; a document fits a form when its tables'
// rows hold as many cells as the form's, each reaching as many rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "forms/form_cells.h"

namespace quillmere::forms {

// The part a cell plays in a form.
enum class Role : uint8_t {
  kNothing,  // empty wherever it is read
  kLabel,
  kValue,
};

// With the blank form: a cell with text is a label; one that is empty, or
// holds only a placeholder, a hint ("年 月 日") or check-box options, is a
// place for a value.
std::vector<Role> TemplateRoles(const Cells& blank);

// Without a blank form, the documents teach it: a cell that shows the same
// in every one (its text, its boxes' states included) is a label, unless
// it is empty (nothing), or a placeholder, a hint, options or a quantity
// ("200009", "8年": a value); a cell that differs is a value.
class Comparison {
 public:
  // `first` is the first document's cells; every document added must fit
  // its shape.
  explicit Comparison(Cells first);
  void Add(const Cells& cells);
  std::vector<Role> Roles() const;
  const Cells& first() const { return first_; }

 private:
  Cells first_;
  std::vector<bool> differs_;
};

// With one document and no blank form: an empty cell, a placeholder, a
// hint or options hold a value, and a text ending in a colon is a label.
// Rows whose leading cells stand alike under a row of texts without digits
// are a repeating block (headings over values) when every column but the
// first shows an empty cell or one with digits or "@" somewhere; the first
// column holds the rows' own labels where they have no digits. The rest
// alternate along their
// row: the first cell (after the cells reaching down from the rows above)
// is a label, the next a value, and so on, a cell of known part setting the
// next one's; a cell that reaches over the rows of the cells to its right
// is a label.
std::vector<Role> SingleDocumentRoles(const Cells& cells);

// A value and what the form names it (its label's name, before names are
// made unique).
struct ValuePlace {
  size_t cell = 0;  // among the form's cells
  std::u16string name;
};

// The values of a form in reading order, each named: by the nearest label
// to its left in its row, or where there is none by the label above it in
// its column; in a repeating block (headings over rows of values of their
// widths) by its heading and its row in the block ("姓名_1"), or by the
// row's own label and the heading ("发明专利_已申请数量"; the row's label
// alone when the block has one column of values); where no label names it,
// by a content control's tag or title, a text form field's name or the
// name in a placeholder, else by its place ("R3C2").
std::vector<ValuePlace> NameValues(const Cells& cells, const std::vector<Role>& roles,
                                   const Cells* blank = nullptr);

// What two documents' cells must share to be matched: each row's cells and
// how many rows each reaches, table by table.
std::string ShapeOf(const Cells& cells);

// Where a document parts from a form, and the label that says where.
struct Misfit {
  enum class Kind {
    kNone,
    kTables,  // fewer tables than the form
    kRows,    // a table with another number of rows
    kCells,   // a row with other cells
    kLabel,   // a label of the blank form that the document changed
  };
  Kind kind = Kind::kNone;
  int table = 0;  // from 0
  int row = 0;    // from 0
  int found = 0;  // tables, rows or cells; for kLabel, nothing
  int expected = 0;
  std::u16string label;  // the form's label there, or the nearest before it
  std::u16string text;   // for kLabel: what the document holds in its place
};

// How `cells` parts from `form`: their shapes, then with `fixed_labels`
// (with a blank form) every label of `roles` must read as in `form`.
Misfit FindMisfit(const Cells& form, const std::vector<Role>& roles, const Cells& cells,
                  bool fixed_labels);

// A document's values, one for each place, from its `cells` (which fit the
// form): a group of options gives its chosen options, a placeholder or a
// hint (or, with `blank`, what the blank form holds there) nothing.
std::vector<std::u16string> ReadRecord(const Cells& cells, const std::vector<ValuePlace>& places,
                                       const Cells* blank = nullptr);

}  // namespace quillmere::forms
