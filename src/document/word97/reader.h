// Reads Word 97-2003 binary documents (.doc): the compound file, the piece
// table, paragraph and table properties, into the document model.
#pragma once

#include <string_view>

#include "document/model.h"
#include "platform/status.h"

namespace quillmere::document::word97 {

// Fills `out` with the main story of the Word 97-2003 document held in
// `file_bytes` (a compound file), its text boxes at their anchors, and its
// footnotes and endnotes. Fails with:
//  - kPasswordProtected for an encrypted or obfuscated document;
//  - kUnsupportedFormat for a compound file that is not a Word 97-2003
//    document (Word 6.0/95, other Office files), which a converter may open;
//  - kCorruptDocument for a damaged file, with what was wrong and where.
// After a failure `out` is empty. Input that is not a compound file at all
// fails with kUnsupportedFormat.
Status ReadDocument(std::string_view file_bytes, Document* out);

}  // namespace quillmere::document::word97
