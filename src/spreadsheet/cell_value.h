// What a stored value is in a spreadsheet's cell, so that it keeps its
// meaning there: a number people sum stays a number, and everything else
// (an ID number, a phone number with its leading zero, a postal code under
// its heading, a date as the document wrote it) stays the text it is.
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

// What a column's name says of the values under it.
enum class ColumnMeaning {
  kAny,    // nothing: each value is what it looks like
  kCodes,  // identifiers or codes (ID, phone, postal code ...): text, each one
};

// The meaning of a column named `name` (a heading, "联系方式 / 电话", or a
// form's label): kCodes when the last word of the name that tells either
// way names identifiers or codes ("身份证号", "手机号码", "邮编", "学号",
// "QQ", "Student ID", "Zip code"), kAny when it names a quantity
// ("电话费", "账号数量", "Phone fee") or no such word stands in it ("成绩 /
// 语文", "field3"). Chinese words and English words of four letters or more
// count wherever they stand, ignoring ASCII case; shorter English ones ("ID",
// "Tel") only as words of their own ("StudentID" is two, "Paid" one); the
// blanks that space out Chinese ("邮    编") do not count.
ColumnMeaning MeaningOfColumn(std::string_view name);

// `text` as a cell of a column of `column` meaning takes it:
// - empty: an empty text (NULL is the caller's);
// - a number: a plain decimal number, an optional minus sign, digits
//   without a leading zero ("0" alone before the point), an optional point
//   followed by digits; at most kMaxNumberDigits significant digits, at most
//   as many after the point; not a minus zero; not eleven digits from "13"
//   to "19" (the shape of every Chinese mobile number); not in a column of
//   codes. Shown with as many decimals as it was written with, so "12.50"
//   shows as "12.50";
// - text: anything else, unchanged: "0123", "+5", "1,234", "1e5", "5%",
//   "２０", "2026-03-01", "2026年3月1日", an 18-digit ID number,
//   "13912345678", and "100080" under "邮编".
// Dates stay text: as a date the cell would show the spreadsheet's own
// form of it, not the document's, and forms such as "3/4" mean different
// days in different places.
CellValue TypeOf(std::string_view text, ColumnMeaning column = ColumnMeaning::kAny);

// The width of UTF-8 `text` in a column, in characters of the sheet's
// font: a wide East Asian character (Chinese, Japanese, Korean, full-width
// forms) counts two, any other one. A byte that starts no character counts
// one.
size_t DisplayWidth(std::string_view text);

}  // namespace quillmere::spreadsheet
