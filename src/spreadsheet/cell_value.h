// What a stored value is in a spreadsheet's cell, so that it keeps its
// meaning there: a number people sum stays a number, and everything else
// (an ID number, a phone number with its leading zero, a date as the
// document wrote it) stays the text it is.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillmere::spreadsheet {

struct CellValue {
  enum class Kind { kEmpty, kText, kNumber };
  Kind kind = Kind::kEmpty;
  double number = 0;  // a number's value
  int decimals = 0;   // a number's digits after its point, as written
};

// The most digits a spreadsheet keeps of a number: past them it would show
// 440981199001011234 as 440981199001011000.
inline constexpr int kMaxNumberDigits = 15;

// `text` as a cell takes it:
// - empty: an empty text (NULL is the caller's);
// - a number: a plain decimal number, an optional minus sign, digits
//   without a leading zero ("0" alone before the point), an optional point
//   followed by digits; at most kMaxNumberDigits significant digits, at most
//   as many after the point; not a minus zero. Shown with as many decimals
//   as it was written with, so "12.50" shows as "12.50";
// - text: anything else, unchanged: "0123", "+5", "1,234", "1e5", "5%",
//   "２０", "2026-03-01", "2026年3月1日", an 18-digit ID number.
// Dates stay text: as a date the cell would show the spreadsheet's own
// form of it, not the document's, and forms such as "3/4" mean different
// days in different places.
CellValue TypeOf(std::string_view text);

// The width of UTF-8 `text` in a column, in characters of the sheet's
// font: a wide East Asian character (Chinese, Japanese, Korean, full-width
// forms) counts two, any other one. A byte that starts no character counts
// one.
size_t DisplayWidth(std::string_view text);

}  // namespace quillmere::spreadsheet
