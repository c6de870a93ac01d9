// A form's cells as a person sees them, from the document model: each
// merged cell once, where it stands in its table's grid and how far it
// reaches, and its text as a person reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/model.h"

namespace quillmere::forms {

struct Cell {
  int table = 0;  // among the form's tables, from 0
  int row = 0;    // its first row and grid column in its table, from 0
  int column = 0;
  int rows = 1;  // how many rows and grid columns it covers
  int columns = 1;
  // What it shows, as a person reads it: case, characters and blanks
  // between words kept; paragraphs, line breaks, tabs and every run of
  // blanks one blank, none at either end; list labels and nested tables'
  // texts in their places. Check boxes of content controls and form fields
  // show as ☐ or ☑, and a symbol font's boxes and ticks as the characters
  // that show the same (☐ ☑ ☒ □ ■ ✓).
  std::u16string text;
  // The tag or title of a content control in it, or the name of a text
  // form field in it; the first when there are several.
  std::u16string field_name;
};

// Cells in reading order: table by table, row by row, left to right.
using Cells = std::vector<Cell>;

// Which of a document's tables make up the form: `first` to `last`
// (numbered from 1, among the tables that stand in the body itself, a
// table in a cell being part of that cell), or every one.
struct TableChoice {
  int first = 1;
  int last = 1;
  bool all = false;
};

// The cells of the chosen tables of `document`. False, with `*tables` set
// to how many tables it has, when it lacks one of them.
bool ReadCells(const document::Document& document, const TableChoice& choice, Cells* out,
               int* tables);

// `text` with every run of white space (blanks, full-width blanks, no-break
// spaces, tabs and line ends) made one blank, none at either end.
std::u16string FoldBlanks(std::u16string_view text);

// Whether `c` is white space as FoldBlanks takes it.
bool IsBlank(char16_t c);

}  // namespace quillmere::forms
