// Text literals of an SQL statement as parameters, so that statements which
// differ only in their values (one insert per table row) share one prepared
// form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillmere::sql {

// Splits `statement` into its shape, every text literal ('...', a quote
// inside written twice) replaced by "?", and the literals' values in order.
// Double-quoted, bracketed and backquoted names are copied as they stand.
// False, leaving the outputs unspecified, for a statement with a comment, an
// unterminated quote or parameters of its own, whose text a plain scan cannot
// turn into a shape safely.
bool ParameterizeTextLiterals(std::u16string_view statement, std::u16string* shape,
                              std::vector<std::u16string>* values);

// `text` (UTF-8) as a text literal: in apostrophes, each one inside
// doubled; a NUL, which no statement can carry, as U+FFFD.
std::string Quoted(std::string_view text);

// Appends `text` to `statement` as a text literal: in apostrophes, each one
// inside doubled.
void AppendQuoted(std::u16string_view text, std::u16string& statement);

// `name` as an SQL identifier: in double quotes, a double quote doubled.
std::u16string QuotedName(std::u16string_view name);

}  // namespace quillmere::sql
