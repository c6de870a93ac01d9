// Reads the main part of a package, word/document.xml, as it inflates.
//
// The tag scanner (tag_scanner.h) hands over the part's tags as they come;
// this reader walks the structure of the body through them: tables, rows,
// cells and the wrappers around them (w:sdt, w:customXml,
// mc:AlternateContent ...). Each paragraph, with everything in it, is
// gathered and parsed by pugixml into a small tree of its own for the story
// reader (content.h), as are a table's properties and grid, the properties
// of each row and cell (table_builder.h), and the body's last section
// properties, which may say how notes are numbered (notes.h). Tables with
// nothing between them are joined once the part is read (reader.cc).
// Memory holds the document model and one paragraph at a time, never the
// part itself, however large it is. What the body does not use (section
// properties, say) is only scanned for its tags.
#pragma once

#include <memory>
#include <string_view>

#include "document/docx/content.h"
#include "document/docx/tag_scanner.h"
#include "document/model.h"
#include "document/read_limits.h"
#include "platform/status.h"

namespace quillmere::document::docx {

class MainPartReader {
 public:
  // Fills the context's document, which must stay until Finish with the
  // rest of `context`, with the body: list paragraphs labelled and note
  // references marked as the context allows (see ContentReader).
  MainPartReader(const ReadLimits& limits, StoryContext* context);
  ~MainPartReader();

  // The next piece of the part, in order. Fails with kCorruptDocument for
  // XML that is not well-formed (tags that do not match; anything pugixml
  // refuses in a paragraph or properties), not in UTF-8, declaring a
  // document type (Word never writes one), nesting deeper than the limits
  // allow, or whose root is no Word document; and for a table wider than a
  // grid may be.
  Status Feed(std::string_view piece);
  // After the last piece: fails when the part ends early.
  Status Finish();

 private:
  class Body;
  std::unique_ptr<Body> body_;
  TagScanner scanner_;
};

}  // namespace quillmere::document::docx
