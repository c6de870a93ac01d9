// dt_origin: where each row of the last collection came from. It stands
// beside dt_table, one row for every row a collection stored there: the
// document's file name, the table's number, the row's number in that table
// (from 1, a skipped header row being row 1), and field0 ... with the same
// values as the row of dt_table. Runs never touch it, so dt_table keeps its
// meaning for them and dt_origin says what the last collection stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/adodb.h"
#include "output/dt_table.h"
#include "platform/status.h"

namespace quillmere {

// The longest file name dt_origin holds: the most a name may have here.
inline constexpr size_t kMaxDocumentNameLength = 255;
// Value columns dt_origin can have beside its three of its own, within
// SQLite's limit on a table's columns.
inline constexpr int kMaxOriginFields = kMaxColumns - 3;

// "create table dt_origin (document text(255) check (...), table_number
// integer, table_row integer, field0 text(200) check (...), ...)" with
// `fields` value columns (at most kMaxOriginFields).
std::string DtOriginSchema(int64_t fields);

// The same for a database server: varchar(255) and varchar(200).
std::string ServerDtOriginSchema(int64_t fields);

// Creates an empty dt_origin with `fields` value columns (at most
// kMaxOriginFields) on cn: DtOriginSchema on SQLite, ServerDtOriginSchema on
// any other.
Status CreateDtOrigin(adodb::Connection& cn, int64_t fields);

// Whether a collection whose widest table has `columns` columns can record
// its origins: `*exists` says whether dt_origin is there (asked outside any
// transaction: on a server a failed statement would end it). One that is
// there with fewer value columns is kDtTableTooNarrow, saying how to have it
// made anew.
Status CheckDtOrigin(adodb::Connection& cn, int64_t columns, bool* exists);

// Whether dt_table holds exactly the rows whose origins dt_origin (with
// `origin_fields` value columns; 0: there is none) holds: as many rows, the
// same values, in any order. Otherwise something other than a collection
// (a run) has stored dt_table since.
Status DtTableHoldsOrigins(adodb::Connection& cn, int64_t origin_fields, bool* holds);

// Inside the caller's transaction: dt_table emptied and filled anew with
// the values of dt_origin's rows (their first `fields` columns), in
// dt_origin's order on SQLite (a server hands rows out in an order of its
// own), so that rows whose origins were deleted leave dt_table too.
Status RefillDtTableFromOrigins(adodb::Connection& cn, int64_t fields);

// The origins of one document's stored rows, kept until they go into
// dt_origin together: inserted row by row as they come, they would take
// turns with dt_table's inserts, and each turn would prepare its statement
// anew.
class OriginRows {
 public:
  // Row `table_row` of the table, stored with `values`.
  void Add(int64_t table_row, const std::vector<std::u16string_view>& values);

  // Inserts every row added since the last Insert into dt_origin as rows of
  // table `table_number` of `document`, rows of as many values sharing one
  // prepared statement, then forgets them.
  Status Insert(adodb::Connection& cn, std::u16string_view document, int32_t table_number);

 private:
  std::vector<int64_t> rows_;
  std::vector<size_t> value_ends_;  // where each row's values end in ends_
  std::vector<size_t> ends_;        // where each value ends in text_
  std::u16string text_;
};

}  // namespace quillmere
