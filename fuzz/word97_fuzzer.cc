// Feeds arbitrary bytes to the Word 97-2003 reader, which opens them as a
// compound file first. Any crash, hang, leak or sanitizer report is a bug;
// a failure must leave the document empty.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/word97/reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillmere::document::Document document;
  quillmere::Status status = quillmere::document::word97::ReadDocument(
      std::string_view(reinterpret_cast<const char*>(data), size), &document);
  if (!status.ok() && !document.body.empty()) std::abort();
  return 0;
}
