// The export command: a table of the database written as an Excel workbook
// (.xlsx) or a CSV file, with its columns named and every value kept as
// what it is.
#pragma once

#include <cstdint>
#include <string>

#include "database/adodb.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// The tables an export writes.
inline constexpr const char* kExportableTables[] = {"dt_table", "dt_origin", "dt_form"};

struct ExportRequest {
  std::string file;    // native path, ending in .xlsx or .csv (any case)
  std::string table;   // one of kExportableTables; empty: the default
  bool force = false;  // replace a file that stands at `file`
};

// What an export wrote.
struct Exported {
  std::string table;
  // The command the default followed ("collect", "forms"); empty when the
  // table was named, or nothing was noted.
  std::string default_after;
  // Whether dt_table is the default because a run has stored it since
  // default_after (forms) stored dt_form.
  bool dt_table_since = false;
  enum class Names {
    kOwn,          // the table's own column names
    kHeader,       // dt_table's from the header the last collection skipped
    kFields,       // dt_table's field names: no header is noted for it
    kFieldsSince,  // ... the noted header is not of the rows it holds now
  };
  Names names = Names::kOwn;
  int64_t rows = 0;               // written below the header row
  int64_t repeated_headings = 0;  // rows left out as a copy of a header row
};

// Writes `request.table` of cn (by default dt_form when the last collecting
// command noted was forms and no run has stored dt_table since, else
// dt_table; stored_tables.h) to
// `request.file`:
// - columns: the table's own, but trailing field columns (fieldN) that are
//   NULL in every row are left out (dt_table has 64 of which a table fills
//   a few). dt_table's are named by the header its last collection skipped
//   (HeadingNames; the rows of dt_table that repeat a lower header row, as
//   each document of that collection has it, are left out) when dt_table
//   still holds exactly the rows that collection stored (its RowDigest),
//   else by their field names;
// - rows: read a row at a time and written as they come, so memory does
//   not grow with the table (.xlsx: XlsxSheet; .csv: CsvSheet).
// The file is made in a working folder beside `request.file` and renamed
// into place when complete, so a failure leaves no part of it. A file
// standing at `request.file` is a failure (kFileExists) unless
// `request.force`: then it is replaced.
Status ExportTable(adodb::Connection& cn, const ExportRequest& request,
                   files::FileSystem& file_system, Exported* exported);

}  // namespace quillmere
