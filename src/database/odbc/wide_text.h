// The driver manager's wide text: UTF-16, as char16_t is.
#pragma once

// clang-format off
#include <sql.h>
// clang-format on

#include <string>
#include <string_view>

#include "platform/encoding/unicode.h"

namespace quillmere::adodb::odbc {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the driver manager's wide text is UTF-16");

inline SQLWCHAR* WidePointer(std::u16string& text) {
  return reinterpret_cast<SQLWCHAR*>(text.data());
}

// `length` characters of wide text as UTF-8.
inline std::string Narrow(const SQLWCHAR* text, size_t length) {
  return unicode::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

}  // namespace quillmere::adodb::odbc
