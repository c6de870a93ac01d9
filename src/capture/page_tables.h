// The tables of a document's web page, as the start command and the collect
// command take one of them: the page cut at every "<table ", table N being
// the piece after the N-th cut.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace quillmere {

// Who takes the table: a run, whose failure to find it also says that
// dt_table is unchanged and which tables to choose from, or a collection,
// whose failure for one document says only what that document holds (the
// collection as a whole says what became of dt_table).
enum class TableTaker { kRun, kCollection };

// Moves the markup of table `table` (from 1) of `page` into `strTable`,
// taking it out of the page's own buffer, which `page` gives up: a table is
// often nearly all of its page, and a copy would hold both at once. A table
// number beyond the page's tables is kTableNotInDocument, saying how many
// tables `document` (as the message names it) has.
Status TakeTable(std::u16string& page, int32_t table, std::string_view document,
                 std::u16string* strTable, TableTaker taker = TableTaker::kRun);

}  // namespace quillmere
