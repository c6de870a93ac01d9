#include "database/database_connection.h"

#include <algorithm>
#include <cctype>

#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere::adodb {

namespace {

template <typename Char>
bool StartsWithWord(std::basic_string_view<Char> sql, std::string_view word) {
  size_t start = 0;
  while (start < sql.size() &&
         (sql[start] == ' ' || sql[start] == '\t' || sql[start] == '\r' || sql[start] == '\n')) {
    ++start;
  }
  if (sql.size() - start < word.size()) return false;
  return std::equal(word.begin(), word.end(), sql.begin() + start,
                    [](char w, Char c) { return ascii::ToLower(c) == static_cast<Char>(w); });
}

}  // namespace

bool BeginsWith(std::string_view sql, std::string_view word) { return StartsWithWord(sql, word); }

bool BeginsWith(std::u16string_view sql, std::string_view word) {
  return StartsWithWord(sql, word);
}

bool CanBindValues(std::u16string_view shape, const std::vector<std::u16string_view>& values) {
  const auto holds_nul = [](std::u16string_view text) {
    return text.find(u'\0') != std::u16string_view::npos;
  };
  return !holds_nul(shape) && std::none_of(values.begin(), values.end(), holds_nul) &&
         IsInsert(shape.substr(0, 16));
}

Status RefuseNul(std::u16string_view statement) {
  if (statement.find(u'\0') == std::u16string_view::npos) return Status();
  return Status(ErrorNumber::kStatementFailed,
                Fill(Tr("The statement holds a NUL character, which the database cannot take: %s"),
                     Shorten(unicode::ToUtf8(statement))));
}

std::string WithoutFinalSemicolons(std::string_view statement) {
  const auto end = std::find_if(statement.rbegin(), statement.rend(),
                                [](unsigned char c) { return c != ';' && !std::isspace(c); });
  return std::string(statement.substr(0, statement.rend() - end));
}

std::string Shorten(const std::string& statement) {
  constexpr size_t kMax = 160;
  if (statement.size() <= kMax) return statement;
  size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(statement[cut]) & 0xC0) == 0x80) --cut;
  return statement.substr(0, cut) + "...";
}

}  // namespace quillmere::adodb
