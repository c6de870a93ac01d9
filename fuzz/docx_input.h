// Bytes a fuzz target is given, read as a .docx: as a whole package when they
// start like a ZIP archive, else as the main part, word/document.xml, of a
// package made around them and stored uncompressed, so that every byte
// reaches the XML reader.
#pragma once

#include <string>
#include <string_view>

#include "document/docx/reader.h"
#include "support/zip_writer.h"

namespace quillmere::fuzz {

inline Status ReadDocxOrMainPart(std::string_view bytes, document::Document* read) {
  std::string package;
  if (bytes.substr(0, 2) != "PK") {
    package = document::testing::ZipBytes({{document::docx::kMainDocumentPart, std::string(bytes)}},
                                          document::testing::ZipMethod::kStore);
    bytes = package;
  }
  document::ReadLimits limits;
  limits.max_part_bytes = 16 << 20;
  return document::docx::ReadDocument(bytes, limits, read);
}

}  // namespace quillmere::fuzz
