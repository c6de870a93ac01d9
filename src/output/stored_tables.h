// What the commands that fill a table from many documents (collect, and
// forms) note beside it, so that an export can name the table's columns and
// know which table was stored last. A run, the start button and convert
// note nothing.
//
//   dt_stored: one row for each table such a command filled, replaced each
//   time it fills it again:
//     stored_table  "dt_table" (collect) or "dt_form" (forms)
//     command       "collect" or "forms"
//     sequence      one more than the greatest before it: the greatest is
//                   the last command that stored
//     header_rows   the rows of the header the conversion skipped (and,
//                   below it, kept): 0 when the first row was data
//     row_count     the rows the command stored in the table
//     digest        RowDigest of those rows, 16 hexadecimal digits
//     dt_table_digest  RowDigest of dt_table as the command left it: after
//                   forms, a run that has replaced dt_table since (the
//                   start button, run and convert note nothing) shows in
//                   dt_table's digest no longer being this one. Added to a
//                   dt_stored made before it was kept, NULL in its rows.
//   dt_heading: the header's cells, as the table holds values:
//     stored_table, header_row (from 1), field (the column, from 0), heading
//
// A collection that adds documents to the stored ones (--append) writes its
// dt_stored row anew (a new sequence, the rows and digest of the whole
// table) and keeps the header noted before; stored_documents.h keeps the
// digests of the documents themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "database/adodb.h"
#include "platform/status.h"

namespace quillmere {

// What one command stored in one table.
struct StoredTable {
  std::string table;    // "dt_table", "dt_form"
  std::string command;  // "collect", "forms"
  // The header's rows, each its cells as the table holds values (UTF-8).
  std::vector<std::vector<std::string>> header;
  int64_t row_count = 0;
  uint64_t digest = 0;
  // dt_table's RowDigest as the command left it (DigestHex); empty where
  // not known.
  std::string dt_table_digest;
};

// A digest of a table's rows, whatever their order (a server may hand them
// out in another order each time): the number of rows and the sum of a
// 64-bit XXH3 of each row (its values up to its last one that is not NULL,
// each as its length and bytes, a NULL apart from an empty text). A row's
// trailing NULLs do not count, so a select of fewer trailing columns that
// are NULL in every row gives the same digest.
class RowDigest {
 public:
  void Add(std::span<const std::optional<std::string_view>> row);
  uint64_t value() const { return sum_; }
  int64_t rows() const { return rows_; }

 private:
  uint64_t sum_ = 0;
  int64_t rows_ = 0;
  std::string bytes_;
};

// RowDigest::value() as dt_stored keeps it: 16 hexadecimal digits.
std::string DigestHex(uint64_t digest);

// The RowDigest of every row of `table`.
Status DigestTable(adodb::Connection& cn, std::string_view table, RowDigest* digest);

// Which of dt_stored (and its column dt_table_digest), dt_heading and
// dt_table are there, asked outside any transaction (on a server a
// statement that fails ends it).
struct StoredTablesFound {
  bool stored = false;
  bool dt_table_digest = false;
  bool heading = false;
  bool dt_table = false;
};
StoredTablesFound FindStoredTables(adodb::Connection& cn);

// Inside the caller's transaction, after the command has filled the table:
// notes that `stored.command` stored `stored.table` last of all, with its
// header, its rows counted and digested as the table holds them now (read
// back through cn), and dt_table's digest (where `found` says it is there).
// Makes dt_stored (or its column dt_table_digest) and dt_heading first where
// `found` says they are missing.
Status RecordStoredTable(adodb::Connection& cn, StoredTablesFound found, StoredTable stored);

// The note of `table`, nullopt when there is none (or no dt_stored).
Status ReadStoredTable(adodb::Connection& cn, std::string_view table,
                       std::optional<StoredTable>* stored);

// The table the last noted command stored (its table, command and
// dt_table_digest), nullopt when none is noted.
std::optional<StoredTable> LastStoredTable(adodb::Connection& cn);

// Whether dt_table has been stored since `last` was noted: its digest is no
// longer the one noted then. False where none was noted.
Status DtTableStoredSince(adodb::Connection& cn, const StoredTable& last, bool* since);

}  // namespace quillmere
