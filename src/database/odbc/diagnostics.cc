#include "database/odbc/diagnostics.h"

// clang-format off
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>
// clang-format on

#include <algorithm>

#include "database/odbc/wide_text.h"
#include "platform/encoding/ascii.h"
#include "platform/translation.h"

namespace quillmere::adodb::odbc {

namespace {

// The connection itself is gone: refused, broken, or ended by the server.
bool ConnectionGone(const std::string& state) {
  return state.starts_with("08") || state.starts_with("57P0") || state == "HYT01";
}

}  // namespace

std::vector<Diagnostic> Diagnostics(short type, void* handle) {
  std::vector<Diagnostic> records;
  for (SQLSMALLINT r = 1; handle != nullptr && r <= 8; ++r) {
    SQLWCHAR state[6] = {};
    SQLWCHAR text[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, r, state, &native, text,
                                      static_cast<SQLSMALLINT>(std::size(text)), &length))) {
      break;
    }
    Diagnostic record;
    record.state = Narrow(state, 5);
    record.native = native;
    // On one line: line breaks and tabs become blanks, a run of blanks one.
    for (char c : Narrow(text, std::clamp<size_t>(length, 0, std::size(text) - 1))) {
      const bool blank = c == '\n' || c == '\r' || c == '\t' || c == ' ';
      if (!blank || (!record.text.empty() && record.text.back() != ' ')) {
        record.text += blank ? ' ' : c;
      }
    }
    record.text = std::string(ascii::TrimBlanks(record.text));
    records.push_back(std::move(record));
  }
  return records;
}

ErrorNumber NumberFor(const std::vector<Diagnostic>& records, bool connecting) {
  for (const Diagnostic& d : records) {
    // PostgreSQL's driver reports a refused password as 08001, with the
    // server's words.
    if (d.state.starts_with("28") || d.text.find("authentication failed") != std::string::npos) {
      return ErrorNumber::kLoginRefused;
    }
    if (ConnectionGone(d.state) || (connecting && d.state == "HYT00")) {
      return connecting ? ErrorNumber::kServerUnreachable : ErrorNumber::kConnectionLost;
    }
    if (d.state == "42P01" || d.state == "42S02") return ErrorNumber::kNoSuchTable;
    if (d.state == "IM002" || d.state == "IM003") return ErrorNumber::kDatabaseNotFound;
    if (d.state == "22001") return ErrorNumber::kValueTooLong;
    if (d.state == "55P03" || d.state == "40P01" || d.state == "40001" || d.state == "HYT00") {
      return ErrorNumber::kDatabaseLocked;
    }
  }
  for (const Diagnostic& d : records) {
    // The SQLite driver reports SQLite's own result codes: busy, locked, and
    // a CHECK constraint (dt_table's length limits) failed.
    if (d.native == 5 || d.native == 6) return ErrorNumber::kDatabaseLocked;
    if (d.native == 19 && d.text.find("CHECK constraint") != std::string::npos) {
      return ErrorNumber::kValueTooLong;
    }
  }
  return connecting ? ErrorNumber::kDatabaseIo : ErrorNumber::kStatementFailed;
}

std::string Described(const std::vector<Diagnostic>& records, const std::string& password) {
  std::string text;
  for (const Diagnostic& d : records) {
    if (!text.empty()) text += "; ";
    text += d.state + ": " + d.text;
  }
  if (text.empty()) text = Tr("the driver gave no reason");
  for (size_t at = password.size() < 3 ? std::string::npos : text.find(password);
       at != std::string::npos; at = text.find(password, at)) {
    text.replace(at, password.size(), "***");
  }
  return text;
}

}  // namespace quillmere::adodb::odbc
