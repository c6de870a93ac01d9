// Reads the main part of a package, word/document.xml, as it inflates.
//
// A streaming parser (expat) walks the structure of the body as it comes:
// tables, rows, cells and the wrappers around them (w:sdt, w:customXml,
// mc:AlternateContent ...). Each paragraph, with everything in it, becomes a
// small tree of its own for the story reader (content.h), as do a table's
// grid and the properties of each row and cell (table_builder.h). Memory
// holds the document model and one paragraph at a time, never the part
// itself, however large it is.
#pragma once

#include <memory>
#include <string_view>

#include "platform/document/model.h"
#include "platform/document/read_limits.h"
#include "platform/status.h"

namespace quillmere::document {

class MainPartReader {
 public:
  // Fills `out`, which must stay until Finish, with the body.
  MainPartReader(const ReadLimits& limits, Document* out);
  ~MainPartReader();

  // The next piece of the part, in order. Fails with kCorruptDocument for
  // XML that is not well-formed, that declares a document type (Word never
  // writes one), that nests deeper than the limits allow, or whose root is
  // no Word document; and for a table wider than a grid may be.
  Status Feed(std::string_view piece);
  // After the last piece: fails when the part ends early.
  Status Finish();

 private:
  class Parser;
  std::unique_ptr<Parser> parser_;
};

}  // namespace quillmere::document
