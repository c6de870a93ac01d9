// Opening the window's database connection on data.mdb.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "database/adodb.h"
#include "platform/status.h"

namespace quillmere {

// The connection string for the database file `dbname` in `folder` (which
// ends in a backslash), with the database password `pwd`. The Data Source
// is quoted as ADO quotes a value (in double quotes, a double quote inside
// doubled) only when it holds ';', '=', a quote, or blanks at an end; the
// password is not quoted beyond its apostrophes.
std::u16string JetConnectionString(std::u16string_view folder, std::u16string_view dbname,
                                   std::u16string_view pwd);

// Opens cn (created first when absent) on the database file `dbname` in the
// folder `pth` (with or without a trailing backslash) and says whether this
// call opened it. False, with cn left as it was, when cn is already open
// (whatever the other arguments), when the last three characters of dbname
// are not "mdb" in any case, when pth is empty, or when the open fails.
//
// No failure is raised; `failure`, when given, receives the reason the
// connection was not opened (success when it was open already), so a later
// step that finds it closed can say why.
bool opendatabase(std::unique_ptr<adodb::Connection>& cn, std::u16string_view dbname,
                  std::u16string_view pwd, std::u16string_view pth, Status* failure = nullptr);

}  // namespace quillmere
