// Reads streams out of a compound file ([MS-CFB], "OLE2 structured storage"),
// the container of Word 97-2003 documents.
//
// Built for hostile input: every sector number, chain and size is checked
// against the file, chain walks stop at a repeated sector, and nothing larger
// than the file itself is ever allocated. Each problem is a kCorruptDocument
// status that says what was wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/word97/little_endian.h"
#include "platform/status.h"

namespace quillmere::document::word97 {

class CompoundFile {
 public:
  // Reads the header, the FAT, the mini FAT, the directory and the mini
  // stream of `bytes`, which must outlive this object. Input that does not
  // start with the compound-file signature fails with kUnsupportedFormat.
  static Status Open(std::string_view bytes, CompoundFile* out);

  // The directory entry of the stream `name` directly under the root storage
  // (compared ignoring ASCII case), if there is one.
  std::optional<uint32_t> FindStream(std::u16string_view name) const;

  // The whole content of the stream at directory entry `entry`.
  Status ReadStream(uint32_t entry, std::string* out) const;

 private:
  struct Entry {
    std::u16string name;
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t left = 0, right = 0, child = 0;
    uint32_t start = 0;
    uint64_t size = 0;
  };

  Status ReadFat();
  Status ReadDirectory();
  Status ReadMiniStream();
  // The sector numbers of the chain from `start` in `fat`, at most `wanted`
  // of them; `sector_count` is how many sectors the chain may refer to.
  Status FollowChain(uint32_t start, const std::vector<uint32_t>& fat, uint64_t sector_count,
                     uint64_t wanted, std::vector<uint32_t>* chain) const;
  // Reads `size` bytes from the regular sectors of the chain from `start`.
  Status ReadRegular(uint32_t start, uint64_t size, std::string* out) const;
  Status ReadMini(uint32_t start, uint64_t size, std::string* out) const;
  // Appends the bytes of `sector`; a short last sector reads as zero-padded.
  void AppendSector(uint32_t sector, std::string* out) const;

  LittleEndian file_;
  int sector_shift_ = 9;
  uint64_t sector_count_ = 0;  // regular sectors after the header
  bool version4_ = false;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> mini_fat_;
  std::vector<Entry> entries_;
  std::string mini_stream_;
};

}  // namespace quillmere::document::word97
