// dt_table: the table every run fills, and the databases this program makes
// for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace quillmere {

// The most characters a value takes; longer cell texts are cut to it.
inline constexpr size_t kMaxValueLength = 200;
// Columns of a new dt_table: more than a Word table can have, and at most
// what SQLite allows in one table.
inline constexpr int kDefaultColumns = 64;
inline constexpr int kMaxColumns = 2000;

// "create table dt_table (field0 text(200) check (length(field0) <= 200), ...)"
// with `columns` columns: the check makes the database refuse a value that is
// too long, as a Jet text column of that size would.
std::string DtTableSchema(int columns);

// Creates data.mdb, holding an empty dt_table of `columns` columns, in
// `folder`. Never overwrites: an existing data.mdb is a failure.
Status CreateDataMdb(std::u16string_view folder, int columns);

// Where data.mdb lies in `folder`, as a native path.
std::string DataMdbPath(std::u16string_view folder);

// What to do when data.mdb in `folder` is missing (`exists` false) or cannot
// serve (a file that is no database of this program's, or a dt_table with
// too few columns), for a table of `columns` columns (0: any): on the
// command line a newdb command, in the window a database to put there.
std::string NewDatabaseAdvice(std::u16string_view folder, bool exists, int64_t columns = 0);

// The failure of a run whose table has `columns` columns, where dt_table
// has `fields` (field0 to field(fields-1)), or no dt_table can have so many.
Status DtTableTooNarrow(std::u16string_view folder, int64_t columns, int64_t fields);

}  // namespace quillmere
