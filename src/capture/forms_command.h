// The forms command: a stack of filled-in forms, each a Word document, into
// dt_form, one record per document with a column for each value the form
// names (forms/form_layout.h says how labels, values and names are found).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "capture/appending.h"
#include "capture/start_command.h"
#include "forms/form_cells.h"
#include "platform/status.h"

namespace quillmere {

struct FormsOptions {
  forms::TableChoice tables;  // which tables of each document make up the form
  std::string blank;          // the blank form, a native path; empty: none
  bool skip_failures = false;
  // Keep the records stored and add those of the documents named that are
  // not stored, replacing those whose content has changed since
  // (capture/appending.h).
  bool append = false;
  bool prune = false;  // with append: remove the records of documents not named
};

// What a reading of forms did.
struct FormsRead {
  size_t documents = 0;  // whose records were stored
  // With skip_failures: the documents left out (as collect names them) and
  // why.
  std::vector<std::pair<std::string, Status>> left_out;
  std::vector<std::u16string> names;  // dt_form's columns after document
  // With one document and no blank form: the texts of the cells taken as
  // labels, in reading order.
  std::vector<std::u16string> labels_taken;
  // With append: what became of the documents, and how many records dt_form
  // holds now.
  AppendCounts appended;
  size_t held = 0;
};

// Reads the form (options.tables) of every document of `documents` (native
// paths, in order, each read by window.FramerControl1's document server
// and never changed) and stores one record per document in dt_form of the
// window's database.
//
// Two passes: the first reads every document and learns the form from the
// blank one (options.blank) or from the documents, so that every document
// that cannot be read, lacks a table or does not fit the form is known
// before anything is stored; any such document fails the whole reading,
// naming all of them and the label where each parts from the form, unless
// `skip_failures` leaves them out (listed in `read` and on the preview).
// The second reads the good documents again and, in one transaction, makes
// dt_form (anew when its columns are not the form's names), empties it and
// inserts every record. Only after the commit does cc.html show the records,
// the documents left out and, with one document and no blank form, the
// cells taken as labels. Any failure leaves the database as it was. The
// status label names the document being read.
//
// With options.append and records stored, only the documents that are new
// or changed are stored: the records of the changed ones (and with
// options.prune of the stored ones not named) leave dt_form, whose columns
// must be the names the form gives now (else kStoredFormDiffers). With the
// blank form only those documents are read; without it the unchanged
// documents named are read too (in the first pass only), so that the
// labels are learnt as a reading of them all would learn them.
//
// Every reading notes the digests of the documents it stored
// (output/stored_documents.h) and that it stored dt_form, with dt_table's
// digest as it stood then (output/stored_tables.h).
Status ReadForms(StartContext& window, const std::vector<std::string>& documents,
                 const FormsOptions& options, FormsRead* read);

}  // namespace quillmere
