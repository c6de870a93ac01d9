// What an ODBC driver reports of a failure: its diagnostic records (their
// SQLSTATEs and texts), the error number they amount to, and the text a
// message shows of them.
#pragma once

#include <string>
#include <vector>

#include "platform/status.h"

namespace quillmere::adodb::odbc {

struct Diagnostic {
  std::string state;  // the SQLSTATE
  long native = 0;    // the driver's own code
  std::string text;   // on one line
};

// The records (at most 8) the last call on `handle`, a handle of the type
// `type` (SQL_HANDLE_DBC, SQL_HANDLE_STMT), left; none for a null handle.
std::vector<Diagnostic> Diagnostics(short type, void* handle);

// The number a failure with these records has; `connecting` when the
// connection itself could not be made.
ErrorNumber NumberFor(const std::vector<Diagnostic>& records, bool connecting);

// The records as one text, "SQLSTATE: message; ...", with the password,
// should a driver repeat it, blanked out.
std::string Described(const std::vector<Diagnostic>& records, const std::string& password);

}  // namespace quillmere::adodb::odbc
