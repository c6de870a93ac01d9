// Which documents a collecting command (collect, forms) stored in its
// table, and a digest of each one's content, so that collecting again with
// --append reads only the documents that are new or have changed since:
//
//   dt_document: one row for each document stored, beside dt_stored:
//     stored_table  "dt_table" (collect) or "dt_form" (forms)
//     document      the document's name, as dt_origin and dt_form hold it
//     reading       the options it was read with, as the command line
//                   writes them ("--table 2 --keep-text")
//     digest        ContentDigest of the file's bytes as they were read,
//                   32 hexadecimal digits; empty when they could not be
//                   read, so that the document counts as changed
//
// A plain collection replaces the rows of its table; an --append replaces
// those of the documents it read again or pruned.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "database/adodb.h"
#include "platform/status.h"

namespace quillmere {

// XXH3's 128-bit digest of bytes handed over a piece at a time.
class ContentDigest {
 public:
  ContentDigest();
  ~ContentDigest();
  void Add(std::string_view piece);
  // 32 hexadecimal digits, the high half first.
  std::string Hex() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// What dt_document says of one stored document; both empty for a document
// its table holds (a row of dt_origin, a record of dt_form) but
// dt_document does not know, as one stored before digests were kept.
struct DocumentNote {
  std::string reading;
  std::string digest;
  // Whether dt_document lists it more than once (two documents whose long
  // names end alike): its digest then tells neither apart.
  bool repeated = false;
};
using StoredDocuments = std::map<std::string, DocumentNote, std::less<>>;

// Whether dt_document is there, asked outside any transaction (on a server
// a statement that fails ends it).
bool FindDocumentsTable(adodb::Connection& cn);

// The documents stored in `table`: every name that `names_select` ("select
// distinct document from dt_origin") reads, with its note in dt_document
// (when `documents_table` says it is there), and, with `notes_alone`, the
// documents noted there that no row names (a collected table may have no
// rows to store; a form always has its record).
Status ReadStoredDocuments(adodb::Connection& cn, std::string_view table, bool documents_table,
                           std::u16string_view names_select, bool notes_alone,
                           StoredDocuments* stored);

// Deletes from `table` the rows whose `column` holds one of `names`, a few
// hundred names to a statement.
Status DeleteNamed(adodb::Connection& cn, std::string_view table, std::string_view column,
                   const std::vector<std::string>& names, std::string_view also_where = {});

// Inside the caller's transaction: forgets the notes of `table`'s
// documents named in `names` (all of them when `names` is null). Nothing to
// do where `documents_table` says dt_document is missing.
Status ForgetDocuments(adodb::Connection& cn, std::string_view table, bool documents_table,
                       const std::vector<std::string>* names);

// Inside the caller's transaction: notes `documents` (each one's name and
// digest), read with `reading`, as stored in `table`; makes dt_document
// first where `documents_table` says it is missing.
struct NotedDocument {
  std::string name;
  std::string digest;
};
Status NoteDocuments(adodb::Connection& cn, std::string_view table, bool documents_table,
                     std::string_view reading, const std::vector<NotedDocument>& documents);

}  // namespace quillmere
