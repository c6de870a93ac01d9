// Bringing the old system's Access data.mdb over: one table of a Microsoft
// Access file into dt_table of a new (SQLite) data.mdb.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// Creates data.mdb in `folder` whose dt_table has one column for each column
// of the table `table` of the Access file `access_path`, in order, as field0
// to field(N-1), and holds its rows, values as text. Never overwrites a
// data.mdb (which `file_system` looks for); leaves none behind when it
// fails. `rows` receives the count.
Status ImportAccessTable(const std::string& access_path, std::u16string_view folder,
                         const std::string& table, int64_t* rows,
                         files::FileSystem& file_system = files::Disk());

}  // namespace quillmere
