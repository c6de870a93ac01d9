// What the conversion hands on, and to whom.
//
// The conversion turns a table's markup into rows of cell texts. It knows
// nothing of databases or windows: every finished cell and row goes to a
// TableSink (the insert statements and the preview page implement it), and
// every status text and yield goes to a Progress (the status label and the
// window's event loop implement it).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/status.h"

namespace quillmere {

class TableSink {
 public:
  virtual ~TableSink() = default;

  // Before the first row of the second pass.
  virtual Status BeginRows() = 0;

  // Cell k (from 0) of the current rebuilt row: k = 0 .. colBound, one cell
  // for every column. (A carried cell whose markup holds "</td>" splits into
  // two there, so the rows it is carried into have more.)
  virtual Status Cell(int64_t k, std::u16string_view strCellText) = 0;

  // Row i (counted from 1, the header row included) has had all its cells.
  // This stands where the rebuilt row, split at "</td>", has its empty last
  // piece after the last cell: no cell of its own.
  virtual Status EndRow(int64_t i) = 0;

  // After the last row.
  virtual Status Finish() = 0;
};

class Progress {
 public:
  virtual ~Progress() = default;

  // The status label's new caption.
  virtual void ShowStatus(std::u16string_view text) = 0;

  // Lets the window handle pending events. A failure (the window is closing)
  // ends the running command.
  virtual Status Yield() = 0;
};

// A Progress that shows nothing and never stops the run.
class SilentProgress : public Progress {
 public:
  void ShowStatus(std::u16string_view) override {}
  Status Yield() override { return Status(); }
};

}  // namespace quillmere
