#include "database/database_connection.h"

#include <algorithm>
#include <cctype>

#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"

namespace quillmere::adodb {

bool BeginsWith(std::string_view sql, std::string_view word) {
  const size_t start = sql.find_first_not_of(" \t\r\n");
  return start != std::string_view::npos && ascii::Lower(sql.substr(start, word.size())) == word;
}

bool CanBindValues(std::u16string_view shape, const std::vector<std::u16string_view>& values) {
  const auto holds_nul = [](std::u16string_view text) {
    return text.find(u'\0') != std::u16string_view::npos;
  };
  return !holds_nul(shape) && std::none_of(values.begin(), values.end(), holds_nul) &&
         IsInsert(unicode::ToUtf8(shape.substr(0, 16)));
}

}  // namespace quillmere::adodb
