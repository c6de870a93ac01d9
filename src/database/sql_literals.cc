#include "database/sql_literals.h"

namespace quillmere::sql {

namespace {

// The position just after the quoted part that opens at `at` and closes with
// `close` (doubled, it stands for itself); npos when it never closes.
size_t QuotedEnd(std::u16string_view s, size_t at, char16_t close, std::u16string* content) {
  for (size_t i = at + 1; i < s.size(); ++i) {
    if (s[i] != close) {
      if (content) content->push_back(s[i]);
    } else if (i + 1 < s.size() && s[i + 1] == close && close != u']') {
      if (content) content->push_back(close);
      ++i;
    } else {
      return i + 1;
    }
  }
  return std::u16string_view::npos;
}

}  // namespace

bool ParameterizeTextLiterals(std::u16string_view statement, std::u16string* shape,
                              std::vector<std::u16string>* values) {
  shape->clear();
  values->clear();
  size_t i = 0;
  while (i < statement.size()) {
    const char16_t c = statement[i];
    if (statement.compare(i, 2, u"--") == 0 || statement.compare(i, 2, u"/*") == 0) return false;
    // Parameters of its own would be numbered together with the new ones.
    if (c == u'?' || c == u':' || c == u'@' || c == u'$') return false;
    if (c != u'\'' && c != u'"' && c != u'[' && c != u'`') {
      shape->push_back(c);
      ++i;
      continue;
    }
    std::u16string* value = c == u'\'' ? &values->emplace_back() : nullptr;
    const size_t end = QuotedEnd(statement, i, c == u'[' ? u']' : c, value);
    if (end == std::u16string_view::npos) return false;
    if (value) {
      shape->push_back(u'?');
    } else {
      shape->append(statement.substr(i, end - i));
    }
    i = end;
  }
  return true;
}

std::string Quoted(std::string_view text) {
  std::string literal = "'";
  for (char c : text) {
    if (c == '\0') {
      literal += "\xEF\xBF\xBD";
      continue;
    }
    literal += c;
    if (c == '\'') literal += '\'';
  }
  return literal + "'";
}

std::u16string QuotedName(std::u16string_view name) {
  std::u16string quoted = u"\"";
  for (char16_t c : name) {
    quoted.push_back(c);
    if (c == u'"') quoted.push_back(u'"');
  }
  return quoted + u"\"";
}

void AppendQuoted(std::u16string_view text, std::u16string& statement) {
  statement.push_back(u'\'');
  for (char16_t c : text) {
    statement.push_back(c);
    if (c == u'\'') statement.push_back(u'\'');
  }
  statement.push_back(u'\'');
}

}  // namespace quillmere::sql
