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

  // Cell k of the current rebuilt row, k = 0 .. U; piece U is the empty
  // remainder after the row's last "</td>" and stands for no column.
  virtual Status Cell(int64_t k, int64_t U, std::u16string_view strCellText) = 0;

  // Row i (counted from 1, the header row included) has had all its cells.
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
