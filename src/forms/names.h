// The names of a form's values, as a table's columns carry them: the
// labels' own words, without what only lays them out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::forms {

// `label` without blanks, full-width blanks, line breaks and tabs, and
// without the colons (":" "：") at its end: "邮    编：" is "邮编".
std::u16string NameOfLabel(std::u16string_view label);

// `names` made fit for one table's columns beside `reserved` (the table's
// own columns): an empty name becomes "value"; each is cut to at most
// `max_bytes` bytes of UTF-8 (0: no limit) without splitting a character;
// a name that would stand twice, or take a reserved name, gets "_2",
// "_3", ... (the name cut to leave room for it). Names are compared as a
// database compares column names, ignoring the case of ASCII letters.
std::vector<std::u16string> UniqueNames(const std::vector<std::u16string>& names, size_t max_bytes,
                                        const std::vector<std::u16string>& reserved);

// The longest start of `text` of at most `max_bytes` bytes in UTF-8 that
// ends between characters.
std::u16string_view CutToBytes(std::u16string_view text, size_t max_bytes);

}  // namespace quillmere::forms
