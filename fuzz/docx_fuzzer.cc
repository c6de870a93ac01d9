// The .docx reader: input that starts like a ZIP archive is read as a whole
// package; anything else becomes the main part, word/document.xml, of a
// package made around it, so every byte reaches the XML reader.
//
// Checked: a failure has a number and a description and leaves the document
// empty.
#include <cstdint>
#include <string>

#include "docx_input.h"
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillmere;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  document::Document read;
  Status status = fuzz::ReadDocxOrMainPart(bytes, &read);
  fuzz::CheckReported(status);
  if (!status.ok()) QM_FUZZ_CHECK(read.body.empty());
  return 0;
}
