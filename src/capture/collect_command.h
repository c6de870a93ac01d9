// The collect command: the same table of many Word documents into one
// dt_table, as if each were test.doc in turn, with where every row came from
// in dt_origin and one preview page of them all.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "capture/start_command.h"
#include "platform/status.h"

namespace quillmere {

// What a collection did.
struct Collected {
  size_t documents = 0;  // whose rows were stored
  // With skip_failures: the documents left out (file names) and why.
  std::vector<std::pair<std::string, Status>> left_out;
};

// Takes the table that window.controls choose (Combo1; Check1 says whether
// its first row is a header, as for a run) from every document of
// `documents` (native paths, in order), each read by window.FramerControl1
// and its page made in memory (no file is written, and no document changed),
// then cut and converted as a run does it.
//
// Two passes: the first reads every document, finds its table and converts
// it without storing anything, so every document that cannot be read or
// lacks the table is known before the first insert. Any such document fails
// the whole collection, naming all of them, unless `skip_failures`, which
// leaves them out (listed in `collected` and on the preview page); a
// collection left with no document fails too. The second pass reads the
// good documents again and, in one transaction, empties dt_table and
// dt_origin (made when missing, with dt_table's columns) once and inserts
// every document's rows in turn, each with the statement a run would
// execute and its origin; then cc.html shows them all. Any failure leaves
// dt_table and dt_origin as they were. The status label names the document
// being read.
Status CollectTables(StartContext& window, const std::vector<std::string>& documents,
                     bool skip_failures, Collected* collected);

}  // namespace quillmere
