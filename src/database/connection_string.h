// Connection strings in the two syntaxes the program meets.
//
// ADO's, which Connection::Open reads: "Key=Value;...", a value that holds
// ';', '=' or quotes wrapped in double quotes or apostrophes, the quote
// doubled inside ("Data Source=\"a;b\"").
//
// ODBC's, which the MSDASQL provider hands on to the driver manager:
// "DSN=...;PWD=...", a value that holds ';' wrapped in braces, "}" doubled
// inside ("PWD={a;b}").
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::connection_string {

// ADO's syntax.

// The values of `text` by key, keys lowercased and without the blanks
// around them: a value loses the blanks around it and its quotes. An entry
// without '=' is skipped; of a key given twice, the last value counts.
std::map<std::string, std::string> ReadAdo(std::string_view text);

// `value` as ADO's syntax carries it: as it stands when nothing in it means
// something there, otherwise in double quotes, a double quote inside doubled.
std::u16string AdoValue(std::u16string_view value);

// The Jet provider's connection string for the database file `data_source`
// (the Data Source, quoted as AdoValue quotes it) with the database password
// `password`, which stands in apostrophes as it is.
std::u16string ForJetFile(std::u16string_view data_source, std::u16string_view password);

// Whether a Provider value names the Jet provider (Microsoft.Jet.OLEDB.4.0),
// or ADO's provider for ODBC data sources (MSDASQL, with or without its
// version), in any case.
bool IsJetProvider(std::string_view provider);
bool IsOdbcProvider(std::string_view provider);

// ODBC's syntax.

// One "key=value" entry, as written.
struct OdbcEntry {
  std::string key;   // lowercased, without the blanks around it
  std::string text;  // the entry without the blanks around it

  // The value: the blanks around it dropped, and one in braces unwrapped,
  // "}}" inside standing for "}".
  std::string Value() const;
  bool IsPassword() const { return key == "pwd" || key == "password"; }
};

// The entries of `text`, split at the ';'s that end them (one inside a
// braced value does not). Empty entries are dropped.
std::vector<OdbcEntry> ReadOdbc(std::string_view text);

// "KEY={value}", "}" doubled inside, so that any value stands as one entry.
std::string OdbcEntryText(std::string_view key, std::string_view value);

// The MSDASQL connection string for the ODBC file data source at `dsn_path`
// (UTF-8): its path in braces, so that any path stands as one value.
std::u16string ForFileDsn(std::string_view dsn_path);

// The connection string as messages may show it: its ODBC entries without
// the passwords (PWD, Password) and the Provider.
std::string WithoutPassword(std::u16string_view connection_string);

}  // namespace quillmere::connection_string
