// The names a sheet's columns get from a table's header rows.
#pragma once

#include <string>
#include <vector>

namespace quillmere::spreadsheet {

// The name of every column from the header's rows (`header`, top down, each
// row's cells left to right): a column's headings from the top down, each
// once (a heading spanning columns, or carried down the rows it spans,
// stands again in every cell it covers), joined with " / " ("成绩 / 语文");
// `fallback[k]` for column k when it has no heading. As many names as
// `fallback` has, made unique (MakeUnique).
std::vector<std::string> HeadingNames(const std::vector<std::vector<std::string>>& header,
                                      const std::vector<std::string>& fallback);

// A name that stands again gets a number, "_2" for its second, "_3" for
// its third ... (a name that is taken already is skipped): "姓名",
// "姓名_2".
void MakeUnique(std::vector<std::string>& names);

}  // namespace quillmere::spreadsheet
