// Bounds that keep a hostile document harmless: the reader refuses, with a
// clear error, anything that would make it read or hold more than these.
#pragma once

#include <cstdint>

#include "platform/limits.h"

namespace quillmere::document {

struct ReadLimits {
  // The document file as it lies on disk.
  uint64_t max_file_bytes = kMaxDocumentBytes;
  // One part of a ZIP package once uncompressed (word/document.xml). A part
  // that expands beyond it is refused as a ZIP bomb. The main part is read
  // as it inflates, never whole, so its size costs time rather than memory.
  uint64_t max_part_bytes = uint64_t{256} << 20;
  // How many times its compressed size a part may expand to (past its first
  // MiB). XML compresses about 5 to 30 times in real documents, and about
  // 200 times at the most, in a table whose rows repeat byte for byte;
  // deflate reaches 700 to 1,000 times on a file made to expand, a ZIP bomb.
  uint64_t max_part_ratio = 400;
  // How deeply XML elements may nest.
  int max_xml_depth = 256;
};

}  // namespace quillmere::document
