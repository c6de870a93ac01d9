// Writes ZIP archives for tests, benchmarks and fuzz targets: .docx packages
// built from a body of WordprocessingML, and hostile archives.
#pragma once

#include <zip.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::document::testing {

using ZipEntries = std::vector<std::pair<std::string, std::string>>;  // name, content

enum class ZipMethod {
  kDeflate,
  kStore,  // uncompressed: every byte of an entry stands in the archive as it is
};

// The bytes of an archive holding `entries`; empty when libzip cannot make
// it (or there are no entries: libzip writes no empty archive).
inline std::string ZipBytes(const ZipEntries& entries, ZipMethod method = ZipMethod::kDeflate) {
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, nullptr);
  if (buffer == nullptr) return {};
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, nullptr);
  if (archive == nullptr) {
    zip_source_free(buffer);
    return {};
  }
  zip_source_keep(buffer);  // closing the archive lets go of it
  bool added = true;
  for (const auto& [name, content] : entries) {
    zip_source_t* source = zip_source_buffer(archive, content.data(), content.size(), 0);
    zip_int64_t index =
        source == nullptr ? -1 : zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8);
    if (index < 0) {
      zip_source_free(source);
      added = false;
      break;
    }
    if (method == ZipMethod::kStore) zip_set_file_compression(archive, index, ZIP_CM_STORE, 0);
  }
  bool closed = added && zip_close(archive) == 0;
  if (!closed) zip_discard(archive);
  std::string bytes;
  if (closed && zip_source_open(buffer) == 0) {
    char chunk[1 << 16];
    for (zip_int64_t n; (n = zip_source_read(buffer, chunk, sizeof chunk)) > 0;) {
      bytes.append(chunk, static_cast<size_t>(n));
    }
    zip_source_close(buffer);
  }
  zip_source_free(buffer);
  return bytes;
}

// Writes an archive holding `entries`, deflated, to `path`. Returns false
// when it cannot.
inline bool WriteZip(const std::string& path, const ZipEntries& entries) {
  std::string bytes = ZipBytes(entries);
  if (bytes.empty()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// word/document.xml around `body` (WordprocessingML with the prefix w).
inline std::string DocumentXml(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
         "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
         "<w:body>" +
         body + "</w:body></w:document>";
}

// A .docx package whose main part is `document_xml`, with the two parts
// word processors need to find it.
inline bool WriteDocx(const std::string& path, const std::string& document_xml) {
  const std::string types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
  const std::string relationships =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
  return WriteZip(path, {{"[Content_Types].xml", types},
                         {"_rels/.rels", relationships},
                         {"word/document.xml", document_xml}});
}

// A table of `rows` rows and `columns` columns of short texts, as Word
// writes it, with a vertical merge down the first column every 3 rows.
inline std::string TableXml(int rows, int columns) {
  std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/></w:tblPr><w:tblGrid>";
  for (int c = 0; c < columns; ++c) xml += "<w:gridCol w:w=\"1200\"/>";
  xml += "</w:tblGrid>";
  for (int r = 0; r < rows; ++r) {
    xml += "<w:tr>";
    for (int c = 0; c < columns; ++c) {
      xml += "<w:tc><w:tcPr><w:tcW w:w=\"1200\" w:type=\"dxa\"/>";
      if (c == 0) xml += r % 3 == 0 ? "<w:vMerge w:val=\"restart\"/>" : "<w:vMerge/>";
      xml +=
          "</w:tcPr><w:p><w:pPr><w:jc w:val=\"left\"/></w:pPr><w:r><w:rPr><w:rFonts "
          "w:hint=\"eastAsia\"/></w:rPr><w:t>单元 " +
          std::to_string(r) + "." + std::to_string(c) + "</w:t></w:r></w:p></w:tc>";
    }
    xml += "</w:tr>";
  }
  return xml + "</w:tbl><w:p/>";
}

}  // namespace quillmere::document::testing
