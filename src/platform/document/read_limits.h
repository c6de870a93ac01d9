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
  // that expands beyond it is refused as a ZIP bomb. The XML tree of a part
  // takes a few times its size in memory, which this keeps within reason.
  uint64_t max_part_bytes = uint64_t{64} << 20;
  // How deeply XML elements may nest.
  int max_xml_depth = 256;
};

}  // namespace quillmere::document
