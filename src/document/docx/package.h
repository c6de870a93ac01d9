// A ZIP archive held in memory, read through libzip.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "document/read_limits.h"
#include "platform/status.h"

struct zip;

namespace quillmere::document::docx {

class ZipArchive {
 public:
  // Opens the archive in `bytes`, which must outlive it. Fails with
  // kCorruptDocument when libzip finds no consistent archive there (a
  // truncated file, for one).
  static Status Open(std::string_view bytes, std::unique_ptr<ZipArchive>* out);
  ~ZipArchive();

  // Whether the archive holds `name` (compared without regard to case).
  bool Contains(const char* name) const;

  // Hands the uncompressed content of `name` to `consume` piece by piece,
  // as it inflates, and stops at the first failure `consume` returns.
  // Refuses, with kDocumentTooLarge, an entry that declares or actually
  // expands to more than `max_bytes`, or, past its first MiB, to more than
  // `max_ratio` times its compressed size: the counts are kept while
  // inflating, since a hostile archive can lie about sizes in its headers.
  using Consumer = std::function<Status(std::string_view piece)>;
  Status Stream(const char* name, uint64_t max_bytes, uint64_t max_ratio,
                const Consumer& consume) const;

  // The whole uncompressed content of `name`, within the same limits.
  Status Read(const char* name, uint64_t max_bytes, std::string* content,
              uint64_t max_ratio = ReadLimits().max_part_ratio) const;

 private:
  explicit ZipArchive(struct zip* archive) : archive_(archive) {}
  struct zip* archive_;
};

}  // namespace quillmere::document::docx
