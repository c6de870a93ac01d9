// The rows a statement returned, as Connection::Execute hands them back:
// each driver fills one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillmere::adodb {

// It holds no lock on the database. A
// select's rows are read only when a value is first asked for (the final
// select of a run is mostly only counted): RecordCount is exact from the
// start, counted when the statement ran; the values are read then, as the
// table stands at that moment, which in this program is as it stood when the
// statement ran. Any other statement's rows are read whole when it runs.
class Recordset {
 public:
  size_t FieldCount() const { return names_.size(); }
  size_t RecordCount() const { return count_; }
  std::u16string FieldName(size_t field) const;
  // The value of one field of one record; nullopt is SQL NULL. Throws
  // std::out_of_range for a record or field it does not have, and
  // std::runtime_error when its rows can no longer be read (the connection
  // closed first, or the table changed its number of rows).
  std::optional<std::u16string> Value(size_t record, size_t field) const;

 private:
  friend class SqliteConnection;
  friend class OdbcConnection;
  static constexpr uint64_t kNullBit = uint64_t{1} << 63;
  void ReadRows() const;
  std::vector<std::string> names_;
  size_t count_ = 0;
  // Reads rows not read yet into the buffers below, through the connection
  // that ran the select; throws std::runtime_error when it cannot (that
  // connection closed, say). Empty when the rows were read whole.
  std::function<void(std::string* text, std::vector<uint64_t>* ends)> read_rows_;
  // Every value's UTF-8 text, end to end, and where each one ends, record by
  // record; kNullBit marks a NULL. One buffer keeps a large table cheap.
  mutable std::string text_;
  mutable std::vector<uint64_t> ends_;
};

}  // namespace quillmere::adodb
