// Test helper: writes a compound file holding the given streams directly
// under the root, with 512-byte (version 3) or 4096-byte (version 4)
// sectors. Streams under 4096 bytes go to the mini stream, as in the files
// Word writes. Lays everything out in order, so tests can find and damage
// any structure: see the Layout it reports.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::document::testing {

struct NamedStream {
  std::u16string name;
  std::string bytes;
};

struct CompoundFileLayout {
  int sector_size = 512;
  uint32_t first_fat_sector = 0;
  uint32_t fat_sector_count = 0;
  uint32_t first_directory_sector = 0;
  uint32_t first_mini_fat_sector = 0;
  // File offset of directory entry i is directory_offset + 128 * i; entry 0
  // is the root, entry i + 1 the i-th stream.
  uint64_t directory_offset = 0;
  std::vector<uint32_t> stream_start;  // first sector (or mini sector) of each stream

  uint64_t SectorOffset(uint32_t sector) const { return uint64_t(sector + 1) * sector_size; }
  // File offset of FAT entry `sector` (the FAT sectors are consecutive).
  uint64_t FatEntryOffset(uint32_t sector) const {
    return SectorOffset(first_fat_sector) + 4 * uint64_t(sector);
  }
};

std::string WriteCompoundFile(const std::vector<NamedStream>& streams, int version,
                              CompoundFileLayout* layout = nullptr);

void PutU32(std::string* bytes, uint64_t offset, uint32_t value);
void PutU16(std::string* bytes, uint64_t offset, uint16_t value);

}  // namespace quillmere::document::testing
