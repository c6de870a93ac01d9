// The collect command: the same table of many Word documents into one
// dt_table, as if each were test.doc in turn, with where every row came from
// in dt_origin and one preview page of them all.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "capture/appending.h"
#include "capture/start_command.h"
#include "platform/status.h"

namespace quillmere {

struct CollectOptions {
  // Leave out the documents that cannot be collected, storing the others.
  bool skip_failures = false;
  // Keep what the last collection stored and add the documents named that
  // it did not store, replacing the rows of those whose content changed
  // since (capture/appending.h).
  bool append = false;
  // With append: remove the stored documents that are not named.
  bool prune = false;
};

// What a collection did.
struct Collected {
  size_t documents = 0;  // whose rows were stored
  // With skip_failures: the documents left out (file names) and why.
  std::vector<std::pair<std::string, Status>> left_out;
  // With append: what became of the documents, and how many dt_table holds
  // rows of now (those read, and those kept).
  AppendCounts appended;
  size_t held = 0;
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
//
// With options.append, only the documents named that are new or changed are
// read (twice, as above), in one transaction with the rest: dt_table must
// hold exactly the rows whose origins dt_origin holds (else
// kCollectionReplaced: a run has replaced them); the rows of the changed
// documents, and with options.prune of the stored ones not named, leave
// dt_origin and dt_table (which is filled anew from dt_origin), then the
// documents read are added. The stored documents must have been read as
// these are (kReadingDiffers). cc.html shows the rows added, and a line for
// the documents kept.
//
// Every collection notes the digests of the documents it stored
// (output/stored_documents.h) and what it stored (output/stored_tables.h)
// in the same transaction.
Status CollectTables(StartContext& window, const std::vector<std::string>& documents,
                     const CollectOptions& options, Collected* collected);

// The same without appending: what the window's drop does.
inline Status CollectTables(StartContext& window, const std::vector<std::string>& documents,
                            bool skip_failures, Collected* collected) {
  return CollectTables(window, documents, CollectOptions{skip_failures}, collected);
}

}  // namespace quillmere
