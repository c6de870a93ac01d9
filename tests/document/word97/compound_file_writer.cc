#include "compound_file_writer.h"

namespace quillmere::document::testing {
namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kMiniCutoff = 4096;

uint32_t SectorsFor(uint64_t size, uint64_t sector) {
  return static_cast<uint32_t>((size + sector - 1) / sector);
}

}  // namespace

void PutU32(std::string* bytes, uint64_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[offset + i] = static_cast<char>(value >> (8 * i));
}

void PutU16(std::string* bytes, uint64_t offset, uint16_t value) {
  for (int i = 0; i < 2; ++i) (*bytes)[offset + i] = static_cast<char>(value >> (8 * i));
}

std::string WriteCompoundFile(const std::vector<NamedStream>& streams, int version,
                              CompoundFileLayout* layout_out) {
  CompoundFileLayout layout;
  layout.sector_size = version == 4 ? 4096 : 512;
  const uint32_t size = layout.sector_size;
  // The mini stream: small streams back to back in 64-byte mini sectors.
  std::string mini_stream;
  std::vector<uint32_t> mini_fat;
  std::vector<uint32_t> start(streams.size(), kEndOfChain);
  for (size_t i = 0; i < streams.size(); ++i) {
    const std::string& bytes = streams[i].bytes;
    if (bytes.empty() || bytes.size() >= kMiniCutoff) continue;
    uint32_t count = SectorsFor(bytes.size(), 64);
    start[i] = static_cast<uint32_t>(mini_fat.size());
    for (uint32_t k = 0; k < count; ++k)
      mini_fat.push_back(k + 1 < count ? start[i] + k + 1 : kEndOfChain);
    mini_stream += bytes;
    mini_stream.resize(uint64_t(mini_fat.size()) * 64, '\0');
  }
  uint32_t directory_sectors = SectorsFor(128 * (streams.size() + 1), size);
  uint32_t mini_fat_sectors = SectorsFor(4 * mini_fat.size(), size);
  uint32_t mini_stream_sectors = SectorsFor(mini_stream.size(), size);
  uint32_t data_sectors = directory_sectors + mini_fat_sectors + mini_stream_sectors;
  for (const NamedStream& stream : streams) {
    if (stream.bytes.size() >= kMiniCutoff) data_sectors += SectorsFor(stream.bytes.size(), size);
  }
  uint32_t per_fat = size / 4;
  // FAT sectors beyond the header's 109 are listed by DIFAT sectors.
  uint32_t fat_sectors = 1, difat_sectors = 0;
  for (;; ++fat_sectors) {
    difat_sectors = fat_sectors > 109 ? SectorsFor(fat_sectors - 109, per_fat - 1) : 0;
    if (uint64_t(fat_sectors) * per_fat >= fat_sectors + difat_sectors + data_sectors) break;
  }
  // Sectors in order: FAT, DIFAT, directory, mini FAT, mini stream, large streams.
  std::vector<uint32_t> fat(uint64_t(fat_sectors) * per_fat, kFree);
  uint32_t next = 0;
  auto chain = [&](uint32_t count) {
    uint32_t first = count ? next : kEndOfChain;
    for (uint32_t k = 0; k < count; ++k, ++next) fat[next] = k + 1 < count ? next + 1 : kEndOfChain;
    return first;
  };
  for (uint32_t k = 0; k < fat_sectors; ++k) fat[next++] = kFatSector;
  uint32_t first_difat = difat_sectors ? next : kEndOfChain;
  for (uint32_t k = 0; k < difat_sectors; ++k) fat[next++] = kDifatSector;
  layout.first_fat_sector = 0;
  layout.fat_sector_count = fat_sectors;
  layout.first_directory_sector = chain(directory_sectors);
  uint32_t mini_fat_start = chain(mini_fat_sectors);
  uint32_t mini_stream_start = chain(mini_stream_sectors);
  for (size_t i = 0; i < streams.size(); ++i) {
    if (streams[i].bytes.size() >= kMiniCutoff)
      start[i] = chain(SectorsFor(streams[i].bytes.size(), size));
  }
  layout.stream_start = start;
  layout.first_mini_fat_sector = mini_fat_start;
  std::string file(uint64_t(next + 1) * size, '\0');
  // Header.
  file.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  PutU16(&file, 0x18, 0x3E);
  PutU16(&file, 0x1A, static_cast<uint16_t>(version));
  PutU16(&file, 0x1C, 0xFFFE);
  PutU16(&file, 0x1E, version == 4 ? 12 : 9);
  PutU16(&file, 0x20, 6);
  PutU32(&file, 0x2C, fat_sectors);
  PutU32(&file, 0x30, layout.first_directory_sector);
  PutU32(&file, 0x38, kMiniCutoff);
  PutU32(&file, 0x3C, mini_fat_start);
  PutU32(&file, 0x40, mini_fat_sectors);
  PutU32(&file, 0x44, first_difat);
  PutU32(&file, 0x48, difat_sectors);
  for (int i = 0; i < 109; ++i)
    PutU32(&file, 0x4C + 4 * i, static_cast<uint32_t>(i) < fat_sectors ? i : kFree);
  for (uint32_t k = 0; k < difat_sectors; ++k) {
    uint64_t at = layout.SectorOffset(first_difat + k);
    for (uint32_t e = 0; e + 1 < per_fat; ++e) {
      uint32_t listed = 109 + k * (per_fat - 1) + e;
      PutU32(&file, at + 4 * e, listed < fat_sectors ? listed : kFree);
    }
    PutU32(&file, at + 4 * (per_fat - 1),
           k + 1 < difat_sectors ? first_difat + k + 1 : kEndOfChain);
  }
  // FAT.
  for (size_t i = 0; i < fat.size(); ++i) PutU32(&file, layout.SectorOffset(0) + 4 * i, fat[i]);
  // Directory: the root, then each stream; the streams chained by right siblings.
  layout.directory_offset = layout.SectorOffset(layout.first_directory_sector);
  auto entry = [&](size_t index, const std::u16string& name, uint8_t type, uint32_t child,
                   uint32_t right, uint32_t first, uint64_t bytes) {
    uint64_t at = layout.directory_offset + 128 * index;
    for (size_t k = 0; k < name.size(); ++k) PutU16(&file, at + 2 * k, name[k]);
    PutU16(&file, at + 0x40, static_cast<uint16_t>(2 * (name.size() + 1)));
    file[at + 0x42] = static_cast<char>(type);
    PutU32(&file, at + 0x44, kFree);
    PutU32(&file, at + 0x48, right);
    PutU32(&file, at + 0x4C, child);
    PutU32(&file, at + 0x74, first);
    PutU32(&file, at + 0x78, static_cast<uint32_t>(bytes));
    PutU32(&file, at + 0x7C, static_cast<uint32_t>(bytes >> 32));
  };
  entry(0, u"Root Entry", 5, streams.empty() ? kFree : 1, kFree, mini_stream_start,
        mini_stream.size());
  for (size_t i = 0; i < streams.size(); ++i) {
    entry(i + 1, streams[i].name, 2, kFree, i + 1 < streams.size() ? i + 2 : kFree, start[i],
          streams[i].bytes.size());
  }
  for (uint64_t at = layout.directory_offset + 128 * (streams.size() + 1);
       at < layout.SectorOffset(layout.first_directory_sector + directory_sectors); at += 128) {
    PutU32(&file, at + 0x44, kFree);
    PutU32(&file, at + 0x48, kFree);
    PutU32(&file, at + 0x4C, kFree);
  }
  for (size_t i = 0; i < mini_fat.size(); ++i)
    PutU32(&file, layout.SectorOffset(mini_fat_start) + 4 * i, mini_fat[i]);
  if (!mini_stream.empty())
    file.replace(layout.SectorOffset(mini_stream_start), mini_stream.size(), mini_stream);
  for (size_t i = 0; i < streams.size(); ++i) {
    if (streams[i].bytes.size() >= kMiniCutoff) {
      file.replace(layout.SectorOffset(start[i]), streams[i].bytes.size(), streams[i].bytes);
    }
  }
  if (layout_out) *layout_out = layout;
  return file;
}

}  // namespace quillmere::document::testing
