#include "document/word97/lists.h"

#include <algorithm>
#include <utility>

#include "document/word97/little_endian.h"

namespace quillmere::document::word97 {
namespace {

constexpr uint64_t kLstfSize = 28;
constexpr uint64_t kLvlfSize = 28;
constexpr uint64_t kLfoSize = 16;
constexpr uint64_t kLfoLevelSize = 8;
constexpr uint64_t kAnldSize = 84;
constexpr uint64_t kAnldText = 20;  // rgxch
constexpr size_t kAnldCharacters = 32;
constexpr uint8_t kSimpleList = 0x01;  // LSTF: one level instead of nine
constexpr int kRightAligned = 2;       // LVLF jc
constexpr uint8_t kLegal = 0x04;
constexpr uint8_t kNoRestart = 0x08;
constexpr uint8_t kFollowNothing = 2;  // LVLF ixchFollow
constexpr uint32_t kOverrideStart = 0x10;
constexpr uint32_t kOverrideFormatting = 0x20;
constexpr int kParagraphStyle = 1;  // STD stk
constexpr int kFirstHeading = 1;    // sti of "heading 1"; "heading 9" is 9
constexpr int kNoBaseStyle = 0x0FFF;
constexpr int kMaxStyleChain = 64;
// sprmPNLvlAnm: 1 to 9 outline levels, then these.
constexpr int kNumberedParagraph = 10;
constexpr int kBulletedParagraph = 11;
// The counters of Word 6/95-style numbering, apart from every list's.
constexpr int64_t kOutline = -(int64_t{1} << 36);
constexpr int64_t kBullets = kOutline - 1;
constexpr int64_t kNumberedParagraphs = kOutline - 2;  // and below: the runs

struct Definition {
  int32_t lsid = 0;
  ListLevels levels;
};

// Reads the LVL of level `index` at `*at`, moving `*at` past it. False when
// it runs past the stream.
bool ReadLevel(const LittleEndian& table, int index, uint64_t* at, ListLevel* level) {
  uint64_t lvlf = *at;
  if (!table.Has(lvlf, kLvlfSize)) return false;
  level->start = table.I32(lvlf);
  level->format = NumberFormatOfCode(table.U8(lvlf + 4));
  uint8_t flags = table.U8(lvlf + 5);
  level->right_aligned = (flags & 0x03) == kRightAligned;
  level->legal = flags & kLegal;
  level->restart_below =
      flags & kNoRestart ? std::min<int>(table.U8(lvlf + 26), index) : kListLevels;
  level->followed = table.U8(lvlf + 15) != kFollowNothing;
  // rgbxchNums: the 1-based places of the placeholders in the number text.
  bool placeholder_at[256] = {};
  for (int i = 0; i < kListLevels; ++i) placeholder_at[table.U8(lvlf + 6 + i)] = true;
  uint64_t text = lvlf + kLvlfSize + table.U8(lvlf + 25) + table.U8(lvlf + 24);
  uint64_t length = table.U16(text);
  if (!table.Has(text, 2 + 2 * length)) return false;
  level->pattern.clear();
  for (uint64_t i = 0; i < length; ++i) {
    char16_t c = table.U16(text + 2 + 2 * i);
    bool placeholder = i + 1 < 256 && placeholder_at[i + 1] && c <= kLastPlaceholder;
    if (placeholder || c > kLastPlaceholder) level->pattern += c;
  }
  *at = text + 2 + 2 * length;
  return true;
}

// The list definitions of the PlfLst, with the LVLs that follow it.
std::vector<Definition> ReadDefinitions(const LittleEndian& table, FcLcb lists) {
  std::vector<Definition> definitions;
  if (lists.lcb < 2 || !table.Has(lists.fc, lists.lcb)) return definitions;
  int count = std::max<int>(table.I16(lists.fc), 0);
  uint64_t level_at = uint64_t{lists.fc} + lists.lcb;
  for (int i = 0; i < count; ++i) {
    uint64_t lstf = lists.fc + 2 + kLstfSize * i;
    if (!table.Has(lstf, kLstfSize)) break;
    Definition definition;
    definition.lsid = table.I32(lstf);
    int levels = table.U8(lstf + 26) & kSimpleList ? 1 : kListLevels;
    for (int level = 0; level < levels; ++level) {
      if (!ReadLevel(table, level, &level_at, &definition.levels[level])) return definitions;
    }
    definitions.push_back(std::move(definition));
  }
  return definitions;
}

// The level a Word 6/95 ANLD describes, at `index`: its number with the
// text before and after it (rgxch, the first cxchTextBefore characters,
// then cxchTextAfter more). False for an operand too short to be one.
bool ReadAnld(LittleEndian anld, int index, ListLevel* level) {
  if (!anld.Has(0, kAnldSize)) return false;
  level->format = NumberFormatOfCode(anld.U8(0));
  level->right_aligned = (anld.U8(3) & 0x03) == kRightAligned;
  level->start = anld.U16(10);
  size_t before = std::min<size_t>(anld.U8(1), kAnldCharacters);
  size_t end = std::min<size_t>(before + anld.U8(2), kAnldCharacters);
  auto text = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      char16_t c = anld.U16(kAnldText + 2 * i);
      if (c > kLastPlaceholder) level->pattern += c;
    }
  };
  level->pattern.clear();
  text(0, before);
  level->pattern += static_cast<char16_t>(index);
  text(before, end);
  return true;
}

}  // namespace

// The list a paragraph's properties set: sprmPIlfo and sprmPIlvl, or the
// Word 6/95 sprmPNLvlAnm and sprmPAnld.
void Lists::ApplyListSprms(const std::vector<Sprm>& sprms, ListSprms* list) {
  for (const Sprm& sprm : sprms) {
    if (sprm.opcode == sprm::kPIlfo) list->ilfo = sprm.operand.U16(0);
    if (sprm.opcode == sprm::kPIlvl) list->level = sprm.operand.U8(0);
    if (sprm.opcode == sprm::kPNLvlAnm) list->outline = sprm.operand.U8(0);
    if (sprm.opcode == sprm::kPAnld) list->anld = std::string(sprm.operand.Slice(0, kAnldSize));
  }
}

Lists::Lists(std::string_view table_stream, const Fib& fib) {
  ReadInstances(table_stream, fib);
  ReadStyles(table_stream, fib.style_sheet);
}

void Lists::ReadInstances(std::string_view table_stream, const Fib& fib) {
  LittleEndian table(table_stream);
  std::vector<Definition> definitions = ReadDefinitions(table, fib.list_definitions);
  FcLcb overrides = fib.list_overrides;
  if (definitions.empty() || overrides.lcb < 4 || !table.Has(overrides.fc, overrides.lcb)) return;
  uint64_t count = std::min<uint64_t>(table.U32(overrides.fc), (overrides.lcb - 4) / kLfoSize);
  // The LFOData of every LFO follow the LFOs: a CP, then the LFOLVLs.
  uint64_t data = overrides.fc + 4 + kLfoSize * count;
  for (uint64_t k = 0; k < count; ++k) {
    uint64_t lfo = overrides.fc + 4 + kLfoSize * k;
    int32_t lsid = table.I32(lfo);
    auto definition = std::find_if(definitions.begin(), definitions.end(),
                                   [&](const Definition& d) { return d.lsid == lsid; });
    ListInstance instance;
    instance.id = static_cast<int64_t>(k);
    if (definition != definitions.end()) {
      instance.levels = definition->levels;
      instance.counters = definition - definitions.begin();
    } else {
      instance.counters = -1 - static_cast<int64_t>(k);  // no levels: no labels
    }
    data += 4;
    for (int i = 0, overridden = table.U8(lfo + 12); i < overridden; ++i) {
      if (!table.Has(data, kLfoLevelSize)) return;
      int32_t start = table.I32(data);
      uint32_t flags = table.U32(data + 4);
      int index = std::min<int>(flags & 0x0F, kListLevels - 1);
      data += kLfoLevelSize;
      ListLevel& level = instance.levels[index];
      if (flags & kOverrideFormatting) {
        ListLevel replaced;
        if (!ReadLevel(table, index, &data, &replaced)) return;
        replaced.restart_below = level.restart_below;
        level = replaced;
      }
      // The instance still counts on its list's counters: an override of
      // the start begins the level again at the instance's first paragraph.
      if (flags & kOverrideStart) {
        level.start = start;
        instance.restarts[index] = true;
      }
    }
    instances_.push_back(std::move(instance));
  }
}

void Lists::ReadStyles(std::string_view table_stream, FcLcb style_sheet) {
  LittleEndian table(table_stream);
  if (style_sheet.lcb < 2 || !table.Has(style_sheet.fc, style_sheet.lcb)) return;
  LittleEndian sheet(table.Slice(style_sheet.fc, style_sheet.lcb));
  uint64_t header_size = sheet.U16(0);
  uint64_t count = std::min<uint64_t>(sheet.U16(2), sheet.size() / 2);
  uint64_t base_size = sheet.U16(4);  // STDBase as stored
  std::vector<int> bases(count, kNoBaseStyle);
  std::vector<ListSprms> own(count);
  styles_.resize(count);
  uint64_t at = 2 + header_size;
  for (uint64_t i = 0; i < count && sheet.Has(at, 2); ++i) {
    uint64_t size = sheet.U16(at);
    uint64_t style = at + 2;
    at = style + size;
    if (size < base_size || !sheet.Has(style, size)) continue;
    bases[i] = sheet.U16(style + 2) >> 4;
    if ((sheet.U16(style + 2) & 0x0F) != kParagraphStyle) continue;
    int sti = sheet.U16(style) & 0x0FFF;
    if (sti >= kFirstHeading && sti < kFirstHeading + kListLevels) styles_[i].heading = sti;
    // After the name (a counted string and its terminating zero) comes the
    // paragraph properties' UPX: its size, the style index, the sprms.
    uint64_t name = style + base_size;
    uint64_t upx = name + 2 + 2 * uint64_t{sheet.U16(name)} + 2;
    uint64_t upx_size = sheet.U16(upx);
    if (upx_size < 2 || upx + 2 + upx_size > style + size) continue;
    std::vector<Sprm> sprms;
    AppendSprms(sheet.Slice(upx + 4, upx_size - 2), &sprms);
    ApplyListSprms(sprms, &own[i]);
  }
  // A style's own setting wins over the one of the style it is based on.
  for (uint64_t i = 0; i < count; ++i) {
    ListSprms& list = styles_[i].list;
    for (uint64_t s = i, step = 0; s < count && step < kMaxStyleChain; s = bases[s], ++step) {
      if (list.ilfo < 0) list.ilfo = own[s].ilfo;
      if (list.level < 0) list.level = own[s].level;
      if (list.outline < 0) list.outline = own[s].outline;
      if (list.anld.empty()) list.anld = own[s].anld;
    }
  }
}

std::shared_ptr<const ListLabel> Lists::Label(uint16_t istd, const std::vector<Sprm>& sprms,
                                              StoryNumbers& numbers) const {
  ListSprms list;
  int heading = 0;
  if (istd < styles_.size()) {
    list = styles_[istd].list;
    heading = styles_[istd].heading;
  }
  ApplyListSprms(sprms, &list);
  // 0 is no list, and so is 0xF801, which takes a style's list away.
  if (list.ilfo >= 1 && static_cast<size_t>(list.ilfo) <= instances_.size()) {
    const ListInstance& instance = instances_[list.ilfo - 1];
    int level = std::max(list.level, 0);
    numbers.numbered_before = false;
    numbers.fields.StartParagraph(heading, &instance, level);
    return numbers.lists.Next(instance, level);
  }
  numbers.fields.StartParagraph(heading);
  return NumberedParagraph(list, numbers);
}

std::shared_ptr<const ListLabel> Lists::NumberedParagraph(const ListSprms& list,
                                                          StoryNumbers& numbers) const {
  bool numbered = list.outline == kNumberedParagraph;
  bool counted = numbered || list.outline == kBulletedParagraph ||
                 (list.outline >= 1 && list.outline <= kListLevels);
  bool was_numbered = std::exchange(numbers.numbered_before, false);
  ListInstance instance;
  int level = numbered || list.outline == kBulletedParagraph ? 0 : list.outline - 1;
  if (!counted || !ReadAnld(LittleEndian(list.anld), level, &instance.levels[level])) {
    return nullptr;
  }
  if (numbered) {
    // A run of numbered paragraphs counts on; the first of a run starts.
    numbers.numbered_before = true;
    if (!was_numbered) ++numbers.numbered_runs;
    instance.counters = kNumberedParagraphs;
    instance.id = kNumberedParagraphs - numbers.numbered_runs;
    instance.restarts[0] = true;
  } else {
    instance.id = instance.counters = list.outline == kBulletedParagraph ? kBullets : kOutline;
  }
  return numbers.lists.Next(instance, level);
}

}  // namespace quillmere::document::word97
