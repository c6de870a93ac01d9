// Test helper: every table of a document model expanded into a rectangular
// grid of cell texts, the way the conversion sees a table: a cell's text
// repeated across the grid columns it spans, a vertically merged cell's text
// carried down into the rows it covers, empty texts where a row leaves
// columns uncovered.
#pragma once

#include <string>
#include <vector>

#include "document/model.h"

namespace quillmere::document::testing {

struct ExpandedTable {
  int depth = 1;  // 1 for a table in the body, 2 for one nested in a cell, ...
  std::vector<std::vector<std::string>> rows;  // UTF-8 cell texts
};

// A cell's text: its paragraphs joined by "\n", line breaks as "\n", tabs as
// "\t"; nested tables are left out.
std::string CellText(const Cell& cell);

// Every table in document order, each nested table right after the table
// holding it has started (the order of <table> tags in a web page).
std::vector<ExpandedTable> ExpandTables(const Document& document);

// The table as lines of cells separated by " | ", for readable failures.
std::string Render(const ExpandedTable& table);

}  // namespace quillmere::document::testing
