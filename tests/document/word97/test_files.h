// Test helper: reading test documents.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

namespace quillmere::document::testing {

// The bytes of `path`, or an empty string when it cannot be read.
inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A document made by make_fixtures.sh.
inline std::string Fixture(const std::string& name) {
  return ReadFileBytes(std::string(QUILLMERE_TEST_DATA) + "/" + name);
}

}  // namespace quillmere::document::testing
