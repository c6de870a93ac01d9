// Prints every table of a Word 97-2003 document as JSON: for each table (in
// the order of <table> tags in a web page) its nesting depth and its grid
// of cell texts, spans expanded. Used by compare_with_libreoffice.py.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "document/word97/reader.h"
#include "document/word97/table_grid.h"

namespace {

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: doc_tables_dump FILE.doc\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  quillmere::document::Document document;
  quillmere::Status status = quillmere::document::word97::ReadDocument(bytes.str(), &document);
  if (!status.ok()) {
    std::cout << "{\"error\": " << JsonString(status.ToString()) << "}\n";
    return 1;
  }
  std::cout << "{\"tables\": [";
  bool first_table = true;
  for (const auto& table : quillmere::document::testing::ExpandTables(document)) {
    std::cout << (first_table ? "\n" : ",\n") << " {\"depth\": " << table.depth << ", \"rows\": [";
    first_table = false;
    for (size_t r = 0; r < table.rows.size(); ++r) {
      std::cout << (r ? ", [" : "[");
      for (size_t c = 0; c < table.rows[r].size(); ++c) {
        std::cout << (c ? ", " : "") << JsonString(table.rows[r][c]);
      }
      std::cout << "]";
    }
    std::cout << "]}";
  }
  std::cout << "\n]}\n";
  return 0;
}
