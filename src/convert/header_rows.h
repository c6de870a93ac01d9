// How many rows a table's header takes: the first row, and below it the
// rows its headings reach down into.
#pragma once

#include <cstdint>

#include "convert/ustring.h"

namespace quillmere {

// The deepest header recognised; a heading reaching further down is taken
// for a cell of the table's body (a label beside a form, say), and the
// header is the first row alone.
inline constexpr int64_t kMaxHeaderRows = 4;

// The rows of the table's header, as the conversion reads its markup: when
// its first row holds a heading standing over several columns ("colspan"),
// that row and every row a cell of the header spans down into ("rowspan"),
// so that the headings of those columns stand below it:
//
//   | 姓名 (rowspan=2) | 成绩 (colspan=2) |
//   |                  | 语文  | 数学     |   a header of 2 rows
//
// 1 for a table without both, so a label spanning rows down the table's
// side takes no rows of its body into the header; 1 too for one whose header
// would be deeper than kMaxHeaderRows, and for markup the conversion cannot
// read. Reads only the table's first rows.
int64_t HeaderRowCount(text::TextView strTable);

}  // namespace quillmere
