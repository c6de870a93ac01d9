#include "database/connection_string.h"

#include <algorithm>

#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"

namespace quillmere::connection_string {

namespace {

// The ADO value that starts at `pos` and ends at the next ';' outside quotes
// (or the end): blanks around it dropped, and one wrapped in double quotes or
// apostrophes unwrapped, a doubled quote inside standing for one. `pos` is
// left after the ';'.
std::string AdoValueAt(std::string_view text, size_t* pos) {
  size_t at = text.find_first_not_of(" \t", *pos);
  if (at == std::string_view::npos) at = text.size();
  std::string value;
  if (at < text.size() && (text[at] == '"' || text[at] == '\'')) {
    const char quote = text[at++];
    while (at < text.size()) {
      if (text[at] == quote && (at + 1 == text.size() || text[at + 1] != quote)) break;
      if (text[at] == quote) ++at;  // a doubled quote
      value.push_back(text[at++]);
    }
    at = std::min(text.size(), at + 1);
  }
  const size_t semi = std::min(text.find(';', at), text.size());
  value += ascii::TrimBlanks(text.substr(at, semi - at));
  *pos = semi + 1;
  return value;
}

// Where the ODBC entry that starts at `at` ends: at the next ';', or the
// first ';' after its value's closing brace.
size_t OdbcEntryEnd(std::string_view text, size_t at) {
  const size_t eq = text.find('=', at);
  const size_t end = std::min(text.find(';', at), text.size());
  if (eq == std::string_view::npos || eq >= end) return end;
  const size_t value = text.find_first_not_of(" \t", eq + 1);
  if (value == std::string_view::npos || text[value] != '{') return end;
  for (size_t c = value + 1; c < text.size(); ++c) {
    if (text[c] != '}') continue;
    if (c + 1 < text.size() && text[c + 1] == '}') {
      ++c;
      continue;
    }
    return std::min(text.find(';', c), text.size());
  }
  return end;  // never closed
}

}  // namespace

std::map<std::string, std::string> ReadAdo(std::string_view text) {
  std::map<std::string, std::string> values;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t eq = text.find('=', pos);
    const size_t semi = text.find(';', pos);
    if (eq == std::string_view::npos || semi < eq) {  // no value: skipped
      pos = semi == std::string_view::npos ? text.size() : semi + 1;
      continue;
    }
    const std::string key = ascii::Lower(ascii::TrimBlanks(text.substr(pos, eq - pos)));
    pos = eq + 1;
    values[key] = AdoValueAt(text, &pos);
  }
  return values;
}

std::u16string AdoValue(std::u16string_view value) {
  auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
  if (value.find_first_of(u";=\"'") == std::u16string_view::npos &&
      (value.empty() || (!blank(value.front()) && !blank(value.back())))) {
    return std::u16string(value);
  }
  std::u16string quoted = u"\"";
  for (char16_t c : value) {
    quoted.push_back(c);
    if (c == u'"') quoted.push_back(c);
  }
  return quoted + u'"';
}

std::u16string ForJetFile(std::u16string_view data_source, std::u16string_view password) {
  std::u16string text = u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
  text.append(AdoValue(data_source));
  text.append(u";Persist Security Info=False;Jet OLEDB:Database password=");
  text.append(u"'").append(password).append(u"'");
  return text;
}

bool IsJetProvider(std::string_view provider) {
  return ascii::EqualsIgnoringCase(provider, "Microsoft.Jet.OLEDB.4.0");
}

bool IsOdbcProvider(std::string_view provider) {
  const std::string name = ascii::Lower(provider);
  return name == "msdasql" || name.starts_with("msdasql.");
}

std::string OdbcEntry::Value() const {
  std::string_view value = std::string_view(text).substr(std::min(text.find('='), text.size()));
  value = ascii::TrimBlanks(value);
  if (!value.empty() && value.front() == '=') value = ascii::TrimBlanks(value.substr(1));
  if (value.size() < 2 || value.front() != '{' || value.back() != '}') return std::string(value);
  std::string unbraced(value.substr(1, value.size() - 2));
  for (size_t c = unbraced.find("}}"); c != std::string::npos; c = unbraced.find("}}", c + 1)) {
    unbraced.erase(c, 1);
  }
  return unbraced;
}

std::vector<OdbcEntry> ReadOdbc(std::string_view text) {
  std::vector<OdbcEntry> entries;
  for (size_t at = 0; at < text.size();) {
    const size_t end = OdbcEntryEnd(text, at);
    const std::string_view entry = ascii::TrimBlanks(text.substr(at, end - at));
    if (!entry.empty()) {
      const std::string_view key = entry.substr(0, std::min(entry.find('='), entry.size()));
      entries.push_back({ascii::Lower(ascii::TrimBlanks(key)), std::string(entry)});
    }
    at = end + 1;
  }
  return entries;
}

std::string OdbcEntryText(std::string_view key, std::string_view value) {
  std::string text = std::string(key) + "={";
  for (char c : value) text += c == '}' ? std::string("}}") : std::string(1, c);
  return text + "}";
}

std::u16string ForFileDsn(std::string_view dsn_path) {
  return unicode::FromUtf8("Provider=MSDASQL;" + OdbcEntryText("FILEDSN", dsn_path));
}

std::string WithoutPassword(std::u16string_view connection_string) {
  std::string shown;
  for (const OdbcEntry& entry : ReadOdbc(unicode::ToUtf8(connection_string))) {
    if (entry.IsPassword() || entry.key == "provider") continue;
    shown += (shown.empty() ? "" : ";") + entry.text;
  }
  return shown;
}

}  // namespace quillmere::connection_string
