// A ZIP archive held in memory, read through libzip.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/status.h"

struct zip;

namespace quillmere::document {

class ZipArchive {
 public:
  // Opens the archive in `bytes`, which must outlive it. Fails with
  // kCorruptDocument when libzip finds no consistent archive there (a
  // truncated file, for one).
  static Status Open(std::string_view bytes, std::unique_ptr<ZipArchive>* out);
  ~ZipArchive();

  // Whether the archive holds `name` (compared without regard to case).
  bool Contains(const char* name) const;

  // The uncompressed content of `name`. Refuses, with kDocumentTooLarge,
  // an entry that declares or actually expands to more than `max_bytes`:
  // the count is kept while inflating, since a hostile archive can lie about
  // sizes in its headers.
  Status Read(const char* name, uint64_t max_bytes, std::string* content) const;

 private:
  explicit ZipArchive(struct zip* archive) : archive_(archive) {}
  struct zip* archive_;
};

}  // namespace quillmere::document
