// Microsoft Access databases (Jet 3 and Jet 4 .mdb files, as the old system
// kept its dt_table in), read through mdbtools' libmdb, never written.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace quillmere::access {

// Whether the file at `path` begins as an Access (Jet or ACE) database does.
bool IsAccessFile(const std::string& path);

// One row's values as text (UTF-8), in the table's column order; nullopt for
// a value the file holds none of (NULL, or an empty text: libmdb reports them
// alike) and for binary (OLE) data.
using Row = std::vector<std::optional<std::string>>;

// Reads the table `name` of the Access file at `path`: its column names into
// `columns`, then every row, in the order the file holds them, to `row`,
// stopping at the first failure it returns. Dates are written as
// "YYYY-MM-DD HH:MM:SS". Fails for a file that is not an Access database and
// for a table it lacks (naming the tables it has).
Status ReadTable(const std::string& path, const std::string& name,
                 std::vector<std::string>* columns, const std::function<Status(const Row&)>& row);

}  // namespace quillmere::access
