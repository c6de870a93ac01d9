// Assembles the document's blocks from its paragraphs in text order,
// keeping a stack of open tables: the table at depth d+1 lies in the
// current cell of the table at depth d ([MS-DOC] 2.4.3-2.4.5).
#pragma once

#include <vector>

#include "document/model.h"
#include "document/word97/row.h"

namespace quillmere::document::word97 {

class TableAssembler {
 public:
  explicit TableAssembler(Document* out) : document_(out) {}

  // A paragraph at `depth` (0: outside tables) that does not end a cell,
  // followed by the blocks anchored in it (the content of its text boxes).
  void AddParagraph(int depth, Paragraph paragraph, std::vector<Block> anchored = {});
  // The last paragraph of a cell at `depth` (at least 1), and the blocks
  // anchored in it.
  void EndCell(int depth, Paragraph paragraph, std::vector<Block> anchored = {});
  // The end of a row at `depth` (at least 1), defined by `row`. Rows of
  // different tables follow each other when their identities differ.
  void EndRow(int depth, RowDefinition row);
  // The end of a deleted row at `depth`: its cells are left out.
  void DropRow(int depth);
  // Closes every open table; call once after the last paragraph.
  void Finish() { CloseDeeperThan(0); }

 private:
  struct PendingRow {
    std::vector<Cell> cells;
    RowDefinition definition;
  };
  struct OpenTable {
    Table* table = nullptr;  // owned by its block in the enclosing container
    std::vector<PendingRow> rows;
    std::vector<Cell> cells;  // finished cells of the row being read
    Cell current;             // the cell being read
  };

  // Closes deeper tables and opens tables until `depth` are open.
  OpenTable& TableAt(int depth);
  void CloseDeeperThan(int depth);
  void Open();
  // Lays out the innermost open table's rows and forgets it.
  void Close();
  std::vector<Block>& Container(size_t level);

  Document* document_;
  std::vector<OpenTable> open_;  // open_[d - 1] is the table at depth d
};

}  // namespace quillmere::document::word97
