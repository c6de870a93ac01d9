#include "document/word97/compound_file.h"
#include "platform/translation.h"

#include <algorithm>

namespace quillmere::document::word97 {
namespace {

constexpr std::string_view kSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr int kHeaderFatEntries = 109;
constexpr int kEntrySize = 128;
constexpr int kMiniSectorShift = 6;
constexpr uint32_t kMiniStreamCutoff = 4096;
constexpr uint8_t kTypeStream = 2;
constexpr uint8_t kTypeRoot = 5;

Status Corrupt(const std::string& what) {
  return Status(ErrorNumber::kCorruptDocument,
                Fill(Tr("The document's compound file is damaged: %s."), what));
}

std::string SectorText(uint32_t sector) { return "sector " + std::to_string(sector); }

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

bool SameNameIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

// Sectors needed for `size` bytes; no overflow even for sizes near 2^64.
uint64_t SectorsFor(uint64_t size, int shift) {
  return (size >> shift) + ((size & ((uint64_t{1} << shift) - 1)) != 0);
}

}  // namespace

Status CompoundFile::Open(std::string_view bytes, CompoundFile* out) {
  *out = CompoundFile();
  out->file_ = LittleEndian(bytes);
  const LittleEndian& file = out->file_;
  if (bytes.substr(0, kSignature.size()) != kSignature) {
    return Status(ErrorNumber::kUnsupportedFormat, Tr("The file is not a compound file (OLE2)."));
  }
  if (!file.Has(0, 512)) return Corrupt("the header is cut off");
  uint16_t major = file.U16(0x1A);
  if (major != 3 && major != 4) return Corrupt("unknown version " + std::to_string(major));
  if (file.U16(0x1C) != 0xFFFE) return Corrupt("wrong byte order mark");
  out->sector_shift_ = file.U16(0x1E);
  if (out->sector_shift_ != 9 && out->sector_shift_ != 12) {
    return Corrupt("sector shift " + std::to_string(out->sector_shift_));
  }
  if (file.U16(0x20) != kMiniSectorShift) return Corrupt("mini sector shift is not 6");
  if (file.U32(0x38) != kMiniStreamCutoff) return Corrupt("mini stream cutoff is not 4096");
  out->version4_ = major == 4;
  uint64_t sector_size = uint64_t{1} << out->sector_shift_;
  if (bytes.size() < sector_size) return Corrupt("the first sector is cut off");
  out->sector_count_ = SectorsFor(bytes.size() - sector_size, out->sector_shift_);
  QM_RETURN_IF_ERROR(out->ReadFat());
  QM_RETURN_IF_ERROR(out->ReadDirectory());
  return out->ReadMiniStream();
}

Status CompoundFile::ReadFat() {
  uint32_t fat_sector_count = file_.U32(0x2C);
  if (fat_sector_count > sector_count_) {
    return Corrupt(std::to_string(fat_sector_count) + " FAT sectors in a file of " +
                   std::to_string(sector_count_) + " sectors");
  }
  // The DIFAT: 109 FAT sector numbers in the header, then a chain of DIFAT
  // sectors, each ending with the number of the next.
  std::vector<uint32_t> fat_sectors;
  for (int i = 0; i < kHeaderFatEntries && fat_sectors.size() < fat_sector_count; ++i) {
    fat_sectors.push_back(file_.U32(0x4C + 4 * i));
  }
  uint32_t difat = file_.U32(0x44);
  std::vector<bool> seen(sector_count_);
  uint64_t per_difat = (uint64_t{1} << sector_shift_) / 4 - 1;
  while (fat_sectors.size() < fat_sector_count) {
    if (difat >= sector_count_) return Corrupt("the DIFAT ends early at " + SectorText(difat));
    if (seen[difat]) return Corrupt("the DIFAT chain loops at " + SectorText(difat));
    seen[difat] = true;
    std::string sector;
    AppendSector(difat, &sector);
    LittleEndian entries(sector);
    for (uint64_t i = 0; i < per_difat && fat_sectors.size() < fat_sector_count; ++i) {
      fat_sectors.push_back(entries.U32(4 * i));
    }
    difat = entries.U32(4 * per_difat);
  }
  std::string fat_bytes;
  fat_bytes.reserve(fat_sectors.size() << sector_shift_);
  for (uint32_t sector : fat_sectors) {
    if (sector >= sector_count_)
      return Corrupt("FAT " + SectorText(sector) + " is outside the file");
    AppendSector(sector, &fat_bytes);
  }
  LittleEndian fat(fat_bytes);
  fat_.resize(fat_bytes.size() / 4);
  for (size_t i = 0; i < fat_.size(); ++i) fat_[i] = fat.U32(4 * i);
  return Status();
}

Status CompoundFile::FollowChain(uint32_t start, const std::vector<uint32_t>& fat,
                                 uint64_t sector_count, uint64_t wanted,
                                 std::vector<uint32_t>* chain) const {
  chain->clear();
  std::vector<bool> seen(std::min<uint64_t>(sector_count, fat.size()));
  uint32_t sector = start;
  while (chain->size() < wanted && sector != kEndOfChain) {
    if (sector > kMaxRegularSector)
      return Corrupt("a chain holds the special number " + std::to_string(sector));
    if (sector >= seen.size())
      return Corrupt("a chain leads to " + SectorText(sector) + ", outside the file");
    if (seen[sector]) return Corrupt("a chain loops at " + SectorText(sector));
    seen[sector] = true;
    chain->push_back(sector);
    sector = fat[sector];
  }
  return Status();
}

void CompoundFile::AppendSector(uint32_t sector, std::string* out) const {
  uint64_t size = uint64_t{1} << sector_shift_;
  std::string_view bytes = file_.Slice((uint64_t{sector} + 1) << sector_shift_, size);
  out->append(bytes);
  out->append(size - bytes.size(), '\0');
}

Status CompoundFile::ReadDirectory() {
  std::vector<uint32_t> chain;
  QM_RETURN_IF_ERROR(FollowChain(file_.U32(0x30), fat_, sector_count_, sector_count_, &chain));
  std::string bytes;
  for (uint32_t sector : chain) AppendSector(sector, &bytes);
  LittleEndian directory(bytes);
  size_t count = bytes.size() / kEntrySize;
  entries_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    uint64_t at = uint64_t{i} * kEntrySize;
    Entry& entry = entries_[i];
    size_t name_units = std::min<size_t>(directory.U16(at + 0x40), 64) / 2;
    for (size_t k = 0; k + 1 < name_units; ++k) entry.name.push_back(directory.U16(at + 2 * k));
    entry.type = directory.U8(at + 0x42);
    entry.left = directory.U32(at + 0x44);
    entry.right = directory.U32(at + 0x48);
    entry.child = directory.U32(at + 0x4C);
    entry.start = directory.U32(at + 0x74);
    // Version 3 files may hold garbage in the high half of the size.
    entry.size = version4_ ? directory.U64(at + 0x78) : directory.U32(at + 0x78);
  }
  if (entries_.empty() || entries_[0].type != kTypeRoot)
    return Corrupt("the directory has no root entry");
  return Status();
}

Status CompoundFile::ReadMiniStream() {
  uint32_t mini_fat_start = file_.U32(0x3C);
  if (mini_fat_start != kEndOfChain && file_.U32(0x40) != 0) {
    std::vector<uint32_t> chain;
    QM_RETURN_IF_ERROR(FollowChain(mini_fat_start, fat_, sector_count_, sector_count_, &chain));
    std::string bytes;
    for (uint32_t sector : chain) AppendSector(sector, &bytes);
    LittleEndian mini_fat(bytes);
    mini_fat_.resize(bytes.size() / 4);
    for (size_t i = 0; i < mini_fat_.size(); ++i) mini_fat_[i] = mini_fat.U32(4 * i);
  }
  const Entry& root = entries_[0];
  if (root.size == 0) return Status();
  return ReadRegular(root.start, root.size, &mini_stream_);
}

Status CompoundFile::ReadRegular(uint32_t start, uint64_t size, std::string* out) const {
  uint64_t wanted = SectorsFor(size, sector_shift_);
  if (wanted > sector_count_) {
    return Corrupt("a stream of " + std::to_string(size) + " bytes is larger than the file");
  }
  std::vector<uint32_t> chain;
  QM_RETURN_IF_ERROR(FollowChain(start, fat_, sector_count_, wanted, &chain));
  if (chain.size() < wanted) return Corrupt("a stream's chain is shorter than its size");
  out->clear();
  out->reserve(wanted << sector_shift_);
  for (uint32_t sector : chain) AppendSector(sector, out);
  out->resize(size);
  return Status();
}

Status CompoundFile::ReadMini(uint32_t start, uint64_t size, std::string* out) const {
  uint64_t mini_sectors = SectorsFor(mini_stream_.size(), kMiniSectorShift);
  uint64_t wanted = SectorsFor(size, kMiniSectorShift);
  if (wanted > mini_sectors) {
    return Corrupt("a small stream of " + std::to_string(size) +
                   " bytes is larger than the mini stream");
  }
  std::vector<uint32_t> chain;
  QM_RETURN_IF_ERROR(FollowChain(start, mini_fat_, mini_sectors, wanted, &chain));
  if (chain.size() < wanted) return Corrupt("a small stream's chain is shorter than its size");
  out->clear();
  out->reserve(wanted << kMiniSectorShift);
  std::string_view mini(mini_stream_);
  for (uint32_t sector : chain) {
    std::string_view bytes =
        mini.substr(uint64_t{sector} << kMiniSectorShift, 1 << kMiniSectorShift);
    out->append(bytes);
    out->append((1 << kMiniSectorShift) - bytes.size(), '\0');
  }
  out->resize(size);
  return Status();
}

std::optional<uint32_t> CompoundFile::FindStream(std::u16string_view name) const {
  // The root's children form a tree through left/right links; visit all of
  // it, guarding against cycles and entry numbers past the directory.
  std::vector<bool> seen(entries_.size());
  std::vector<uint32_t> pending = {entries_[0].child};
  while (!pending.empty()) {
    uint32_t id = pending.back();
    pending.pop_back();
    if (id >= entries_.size() || seen[id]) continue;
    seen[id] = true;
    const Entry& entry = entries_[id];
    if (entry.type == kTypeStream && SameNameIgnoringCase(entry.name, name)) return id;
    pending.push_back(entry.left);
    pending.push_back(entry.right);
  }
  return std::nullopt;
}

Status CompoundFile::ReadStream(uint32_t entry_id, std::string* out) const {
  out->clear();
  if (entry_id >= entries_.size()) return Corrupt("no directory entry " + std::to_string(entry_id));
  const Entry& entry = entries_[entry_id];
  if (entry.type != kTypeStream)
    return Corrupt("directory entry " + std::to_string(entry_id) + " is not a stream");
  if (entry.size == 0) return Status();
  if (entry.start == kNoStream)
    return Corrupt("a stream of " + std::to_string(entry.size) + " bytes has no sectors");
  if (entry.size < kMiniStreamCutoff) return ReadMini(entry.start, entry.size, out);
  return ReadRegular(entry.start, entry.size, out);
}

}  // namespace quillmere::document::word97
