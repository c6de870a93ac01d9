// Builds one table of a .docx from its parts in document order: its grid
// (w:tblGrid), then each row (w:tr: its w:trPr, then its cells), each cell
// (w:tc: its w:tcPr, then its content). The parts come from a whole tree
// (a text box's table) or one by one from the streaming reader of the main
// part; properties may come before or after the content they belong to.
//
// Kept: what tells the table apart from the next (JoinAdjacentTables): its
// style, w:tblpPr, w:tblOverlap and w:bidiVisual; w:gridCol widths,
// w:gridBefore/w:gridAfter, w:wBefore, w:gridSpan, w:vMerge, the legacy
// w:hMerge and w:tcW. A row marked deleted (w:trPr/w:del) is left out with
// its cells, as accepting the change would; a row or table without cells
// leaves nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "document/docx/grid.h"
#include "document/docx/names.h"
#include "document/model.h"
#include "platform/status.h"

namespace quillmere::document::docx {

class TableBuilder {
 public:
  explicit TableBuilder(const WordNames& names);

  void SetTableProperties(pugi::xml_node tbl_pr);
  void SetGrid(pugi::xml_node tbl_grid);
  void StartRow();
  void SetRowProperties(pugi::xml_node tr_pr);
  void StartCell();
  void SetCellProperties(pugi::xml_node tc_pr);
  // Where the content of the cell being read goes.
  std::vector<Block>& CellBlocks() { return cell_.blocks; }
  void EndCell();
  void EndRow();
  // Appends the table to `out` unless it has no rows, and gives `keys`, when
  // there are any, its key. Fails for a table wider than the grid allows.
  Status Finish(std::vector<Block>& out, TableKeys* keys);

 private:
  // A w:w in twips; -1 when missing or given in another unit.
  int Twips(pugi::xml_node measure) const;

  const WordNames& names_;
  std::unique_ptr<Table> table_;
  std::string key_;
  std::vector<RowWidths> widths_;  // one per row kept
  Row row_;
  RowWidths row_widths_;
  bool row_deleted_ = false;
  Cell cell_;
  int cell_width_ = -1;
  bool cell_merges_into_previous_ = false;
};

}  // namespace quillmere::document::docx
