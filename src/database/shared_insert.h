// The one prepared insert a connection keeps. Inserts that differ only in
// their text values (one per table row) share it, their values bound to it,
// which spares the database compiling every statement anew; what each one
// does and reports is the same as when its text runs.
//
// SharedInsert decides when to prepare anew (the shape changed, or nothing
// is prepared) and turns an insert given as text into its shape and values;
// the driver prepares, binds, runs and resets its own statement through
// PreparedInsert.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillmere::adodb {

// What a driver does with its one prepared insert.
class PreparedInsert {
 public:
  // Prepares `shape` as the statement, in place of the one before. False,
  // with nothing prepared, when it does not prepare as one statement of
  // `parameters` parameters.
  virtual bool PrepareInsert(std::u16string_view shape, size_t parameters) = 0;
  // Runs the prepared statement with `values` bound to its parameters, and
  // leaves it ready for the next values. A failure names `statement`, the
  // insert as text.
  virtual Status RunPrepared(const std::vector<std::u16string_view>& values,
                             std::u16string_view statement) = 0;

 protected:
  ~PreparedInsert() = default;
};

class SharedInsert {
 public:
  explicit SharedInsert(PreparedInsert& driver) : driver_(driver) {}

  // Runs `statement` as its shape, its text literals as parameters, with
  // their values bound. False when it cannot run that way (it is no insert,
  // a plain scan cannot find its literals, or its shape does not prepare);
  // the driver then runs the text as it stands and reports any fault in its
  // own words.
  bool RunText(std::u16string_view statement, Status* status);

  // Runs `shape` with `values` bound, what Connection::ExecuteWithValues
  // does. False when the values cannot be bound (CanBindValues) or the shape
  // does not prepare; the driver then runs `statement` as it stands.
  bool RunValues(std::u16string_view shape, const std::vector<std::u16string_view>& values,
                 std::u16string_view statement, Status* status);

 private:
  // Makes `shape` the driver's prepared statement, unless it is already.
  bool Prepared(std::u16string_view shape, size_t parameters);

  PreparedInsert& driver_;
  bool prepared_ = false;
  std::u16string prepared_shape_;
  // The last statement given as text, taken apart; kept for their buffers.
  std::u16string shape_;
  std::vector<std::u16string> values_;
  std::vector<std::u16string_view> value_views_;
};

}  // namespace quillmere::adodb
