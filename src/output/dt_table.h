// dt_table: the table every run fills, and the databases this program makes
// for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace quillmere {

namespace adodb {
class Connection;
}

// The most characters a value takes; longer cell texts are cut to it.
inline constexpr size_t kMaxValueLength = 200;
// Columns of a new dt_table: more than a Word table can have, and at most
// what SQLite allows in one table.
inline constexpr int kDefaultColumns = 64;
inline constexpr int kMaxColumns = 2000;

// The value columns field0 to field(columns-1) of dt_table and dt_origin, as
// their schemas list them: "field0 text(200) check (length(field0) <= 200),
// ..." on SQLite, "field0 varchar(200), ..." on a `server`.
std::string FieldColumns(int columns, bool server);

// "create table dt_table (field0 text(200) check (length(field0) <= 200), ...)"
// with `columns` columns: the check makes the database refuse a value that is
// too long, as a Jet text column of that size would.
std::string DtTableSchema(int columns);

// "create table dt_table (field0 varchar(200), ...)" with `columns` columns,
// for a database server, whose varchar(200) refuses a longer value itself.
std::string ServerDtTableSchema(int columns);

// How many columns field0, field1, ... `table` has on cn, counted up to the
// first one it lacks.
Status TableFields(adodb::Connection& cn, std::u16string_view table, int64_t* fields);

// Creates data.mdb, holding an empty dt_table of `columns` columns and an
// empty dt_origin beside it (dt_origin.h), in `folder`. Never overwrites: an
// existing data.mdb is a failure.
Status CreateDataMdb(std::u16string_view folder, int columns);

// Creates an empty dt_table of `columns` columns in the database that
// `connection_string` opens (an ODBC data source, say): DtTableSchema on
// SQLite, ServerDtTableSchema on any other, and dt_origin beside it unless
// one is there. Never drops or changes a dt_table that is there already:
// that is a failure (kTableExists). `data_source`
// receives the data source as messages name it (without a password).
Status CreateDtTableAt(std::u16string_view connection_string, int columns,
                       std::string* data_source);

// Where data.mdb lies in `folder`, as a native path.
std::string DataMdbPath(std::u16string_view folder);

// What to do when data.mdb in `folder` is missing (`exists` false) or cannot
// serve (a file that is no database of this program's, or a dt_table with
// too few columns), for a table of `columns` columns (0: any): on the
// command line a newdb command, in the window a database to put there.
std::string NewDatabaseAdvice(std::u16string_view folder, bool exists, int64_t columns = 0);

// What to do when `folder`'s data.mdb is a Microsoft Access file (the old
// system's): bring its rows over with quillmere import-access.
std::string ImportAccessAdvice(std::u16string_view folder);

// What to do when a server's data source has no dt_table: on the command
// line quillmere newdb --connection, in the window ask for one.
std::string DtTableMissingAdvice();

// The failure of a run whose table has `columns` columns, where dt_table
// has `fields` (field0 to field(fields-1)), or no dt_table can have so many.
Status DtTableTooNarrow(std::u16string_view folder, int64_t columns, int64_t fields);

}  // namespace quillmere
