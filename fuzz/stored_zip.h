// Wraps bytes into a ZIP archive as one stored (uncompressed) part, so that
// a fuzz target can reach the .docx reader's XML parsing with every byte it
// is given.
#pragma once

#include <zip.h>

#include <string>
#include <string_view>

#include "platform/document/docx/reader.h"

namespace quillmere::fuzz {

inline std::string StoredZip(const char* name, std::string_view content) {
  std::string archive_bytes;
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_source_keep(buffer);
  if (zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error)) {
    zip_source_t* part = zip_source_buffer(archive, content.data(), content.size(), 0);
    zip_int64_t index = zip_file_add(archive, name, part, 0);
    if (index < 0) zip_source_free(part);
    if (index >= 0) zip_set_file_compression(archive, index, ZIP_CM_STORE, 0);
    if (zip_close(archive) != 0) zip_discard(archive);
  }
  if (zip_source_open(buffer) == 0) {
    char chunk[1 << 16];
    zip_int64_t n;
    while ((n = zip_source_read(buffer, chunk, sizeof chunk)) > 0) archive_bytes.append(chunk, n);
    zip_source_close(buffer);
  }
  zip_source_free(buffer);
  zip_error_fini(&error);
  return archive_bytes;
}

// Reads bytes as a .docx: as a whole package when they start like a ZIP
// archive, else as the main part, word/document.xml, of a package made
// around them, so every byte reaches the XML reader.
inline Status ReadDocxOrMainPart(std::string_view bytes, document::Document* read) {
  std::string package;
  if (bytes.substr(0, 2) != "PK") {
    package = StoredZip(document::kMainDocumentPart, bytes);
    bytes = package;
  }
  document::ReadLimits limits;
  limits.max_part_bytes = 16 << 20;
  return document::ReadDocxDocument(bytes, limits, read);
}

}  // namespace quillmere::fuzz
