#include "doc_builder.h"

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "compound_file_writer.h"

namespace quillmere::document::testing {
namespace {

constexpr uint64_t kPage = 512;
constexpr uint64_t kTextStart = 1024;  // after the FIB
constexpr int kFibPairs = 93;
constexpr int kPairFootnoteReferences = 2;
constexpr int kPairFootnoteTexts = 3;
constexpr int kPairCharacterBins = 12;
constexpr int kPairParagraphBins = 13;
constexpr int kPairPieceTable = 33;
constexpr int kPairShapeAnchors = 40;
constexpr int kPairTextBoxes = 56;
constexpr int kPairStyleSheet = 1;
constexpr int kPairFonts = 15;
constexpr int kPairListDefinitions = 73;
constexpr int kPairListOverrides = 74;
constexpr int kStyles = 10;  // "Normal" and the nine headings
constexpr size_t kMaxCharacterRuns = 0x65;

std::string Sprm8(uint16_t opcode, uint8_t value) {
  return U16Bytes(opcode) + static_cast<char>(value);
}
std::string InTable(int depth) {
  return Sprm8(0x2416, 1) + U16Bytes(0x6649) + U32Bytes(static_cast<uint32_t>(depth));
}
std::string DefTable(const std::vector<int>& edges, const std::vector<uint16_t>& flags) {
  int cells = static_cast<int>(edges.size()) - 1;
  std::string operand(1, static_cast<char>(cells));
  for (int edge : edges) operand += U16Bytes(static_cast<uint16_t>(edge));
  for (int i = 0; i < cells; ++i) {
    operand += U16Bytes(i < static_cast<int>(flags.size()) ? flags[i] : 0);
    operand += std::string(18, '\0');
  }
  return U16Bytes(0xD608) + U16Bytes(static_cast<uint16_t>(operand.size() + 1)) + operand;
}

// A run of bytes of WordDocument and the grpprl that applies to it.
struct Run {
  uint64_t start, end;
  std::string sprms;
  uint16_t istd = 0;  // of a paragraph run
};

// Packs runs into formatted disk pages of paragraph (13-byte entries,
// PapxInFkp with a style index) or character (1-byte entries, Chpx)
// properties; returns the pages and fills the bin table.
std::string PackPages(const std::vector<Run>& runs, bool paragraphs, uint64_t first_page,
                      std::string* bin_table) {
  const uint64_t entry = paragraphs ? 13 : 1;
  std::string pages, numbers, fcs;
  size_t next = 0;
  while (next < runs.size()) {
    std::string page(kPage, '\0');
    std::map<std::string, uint8_t> placed;  // grpprl -> word offset in the page
    uint64_t top = kPage - 1;
    size_t count = 0;
    std::vector<uint8_t> offsets;
    for (; next + count < runs.size(); ++count) {
      if (!paragraphs && count == kMaxCharacterRuns) break;
      const Run& run = runs[next + count];
      const std::string sprms = paragraphs ? U16Bytes(run.istd) + run.sprms : run.sprms;
      const bool none = paragraphs ? run.istd == 0 && run.sprms.empty() : sprms.empty();
      std::string stored;
      if (!none && !placed.count(sprms)) {
        const std::string& content = sprms;
        if (!paragraphs) {
          stored = static_cast<char>(content.size()) + content;
        } else if (content.size() % 2 == 1) {
          stored = static_cast<char>((content.size() + 1) / 2) + content;
        } else {
          stored = std::string(1, '\0') + static_cast<char>(content.size() / 2) + content;
        }
      }
      uint64_t new_top = (top - stored.size()) & ~uint64_t{1};
      if (4 * (count + 2) + entry * (count + 1) > new_top) break;
      if (!stored.empty()) {
        top = new_top;
        page.replace(top, stored.size(), stored);
        placed[sprms] = static_cast<uint8_t>(top / 2);
      }
      offsets.push_back(none ? 0 : placed[sprms]);
    }
    for (size_t i = 0; i < count; ++i) {
      page.replace(4 * i, 4, U32Bytes(static_cast<uint32_t>(runs[next + i].start)));
      page[4 * (count + 1) + entry * i] = static_cast<char>(offsets[i]);
    }
    page.replace(4 * count, 4, U32Bytes(static_cast<uint32_t>(runs[next + count - 1].end)));
    page[kPage - 1] = static_cast<char>(count);
    fcs += U32Bytes(static_cast<uint32_t>(runs[next].start));
    numbers += U32Bytes(static_cast<uint32_t>(first_page + pages.size() / kPage));
    pages += page;
    next += count;
  }
  *bin_table = fcs + U32Bytes(static_cast<uint32_t>(runs.back().end)) + numbers;
  return pages;
}

}  // namespace

std::string U16Bytes(uint16_t value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)};
}
std::string U32Bytes(uint32_t value) {
  return U16Bytes(static_cast<uint16_t>(value)) + U16Bytes(static_cast<uint16_t>(value >> 16));
}

DocBuilder::DocBuilder() = default;

DocBuilder& DocBuilder::Text(std::u16string_view text) { return Characters(text, {}); }

DocBuilder& DocBuilder::Characters(std::u16string_view text, const std::string& sprms) {
  Story& story = Current();
  story.text.append(text);
  story.deleted.resize(story.text.size(), deleted_);
  story.sprms.resize(story.text.size(), sprms);
  return *this;
}

DocBuilder& DocBuilder::Symbols(std::u16string_view font, std::u16string_view codes) {
  auto known = std::find(fonts_.begin(), fonts_.end(), font);
  const uint16_t ftc = static_cast<uint16_t>(known - fonts_.begin());
  if (known == fonts_.end()) fonts_.emplace_back(font);
  // sprmCRgFtc0 and sprmCRgFtc2: the font of ASCII and of other characters.
  return Characters(codes, U16Bytes(0x4A4F) + U16Bytes(ftc) + U16Bytes(0x4A51) + U16Bytes(ftc));
}

DocBuilder& DocBuilder::CheckBoxField(bool checked) {
  // FFData: version, bits (iType 1, a check box; iRes its state), cch,
  // hps, the name, wDef, then five empty strings.
  std::string field = U32Bytes(0xFFFFFFFF) + U16Bytes(static_cast<uint16_t>(1 | (checked << 2))) +
                      U16Bytes(0) + U16Bytes(20);
  const std::u16string name = u"Check" + std::u16string(1, u'1' + data_.size() % 9);
  field += U16Bytes(static_cast<uint16_t>(name.size()));
  for (char16_t c : name) field += U16Bytes(c);
  field += U16Bytes(0) + U16Bytes(0);
  for (int i = 0; i < 5; ++i) field += U16Bytes(0) + U16Bytes(0);
  // NilPICFAndBinData: lcb, cbHeader 0x44, 62 bytes Word ignores.
  const uint32_t location = static_cast<uint32_t>(data_.size());
  data_ += U32Bytes(static_cast<uint32_t>(0x44 + field.size())) + U16Bytes(0x44) +
           std::string(62, '\0') + field;
  Text(u"\x13 FORMCHECKBOX ");
  // sprmCFData, sprmCPicLocation
  Characters(u"\x01", Sprm8(0x0806, 1) + U16Bytes(0x6A03) + U32Bytes(location));
  return Text(u"\x15");
}

DocBuilder& DocBuilder::Deleted(bool deleted) {
  deleted_ = deleted;
  return *this;
}

DocBuilder& DocBuilder::Mark(char16_t mark, std::string sprms) {
  Text(std::u16string_view(&mark, 1));
  Story& story = Current();
  story.paragraph_ends.push_back(static_cast<uint32_t>(story.text.size()));
  story.paragraph_sprms.push_back(std::move(sprms) + std::exchange(next_sprms_, {}));
  story.paragraph_styles.push_back(std::exchange(next_istd_, 0));
  return *this;
}

DocBuilder& DocBuilder::Next(uint16_t istd, std::string sprms) {
  next_istd_ = istd;
  next_sprms_ = std::move(sprms);
  styled_ = styled_ || istd != 0;
  return *this;
}

DocBuilder& DocBuilder::List(int32_t lsid, const std::vector<Level>& levels) {
  lists_.emplace_back(lsid, levels);
  return *this;
}

DocBuilder& DocBuilder::ListInstance(int32_t lsid,
                                     const std::vector<std::pair<int, int32_t>>& starts) {
  instances_.emplace_back(lsid, starts);
  return *this;
}

DocBuilder& DocBuilder::StyleSprms(uint16_t istd, std::string sprms) {
  style_sprms_[istd] = std::move(sprms);
  styled_ = true;
  return *this;
}

// The PlfLst, the LVLs that follow it in `*levels`, and the PlfLfo in
// `*overrides`.
std::string DocBuilder::ListTables(std::string* levels, std::string* overrides) const {
  std::string definitions = U16Bytes(static_cast<uint16_t>(lists_.size()));
  for (const auto& [lsid, list] : lists_) {
    std::string lstf = U32Bytes(static_cast<uint32_t>(lsid)) + U32Bytes(0);
    for (int i = 0; i < 9; ++i) lstf += U16Bytes(0x0FFF);
    lstf += static_cast<char>(list.size() == 1 ? 0x01 : 0x00);
    lstf += '\0';
    definitions += lstf;
    // A list of more than one level has all nine.
    std::vector<Level> all = list;
    if (all.size() > 1) all.resize(9);
    for (const Level& level : all) {
      std::string lvlf = U32Bytes(static_cast<uint32_t>(level.start));
      lvlf += static_cast<char>(level.nfc);
      lvlf += '\0';
      std::string places(9, '\0');  // rgbxchNums: 1-based places of the placeholders
      size_t found = 0;
      for (size_t i = 0; i < level.text.size() && found < places.size(); ++i) {
        if (level.text[i] < 9) places[found++] = static_cast<char>(i + 1);
      }
      lvlf += places;
      lvlf += '\0';  // ixchFollow: a tab
      lvlf += U32Bytes(0) + U32Bytes(0) + std::string(4, '\0');
      *levels += lvlf + U16Bytes(static_cast<uint16_t>(level.text.size()));
      for (char16_t c : level.text) *levels += U16Bytes(c);
    }
  }
  *overrides = U32Bytes(static_cast<uint32_t>(instances_.size()));
  std::string data;
  for (const auto& [lsid, starts] : instances_) {
    *overrides += U32Bytes(static_cast<uint32_t>(lsid)) + U32Bytes(0) + U32Bytes(0);
    *overrides += static_cast<char>(starts.size());
    *overrides += std::string(3, '\0');
    data += U32Bytes(0);  // LFOData's cp
    for (const auto& [level, start] : starts) {
      data +=
          U32Bytes(static_cast<uint32_t>(start)) + U32Bytes(0x10 | static_cast<uint32_t>(level));
    }
  }
  *overrides += data;
  return definitions;
}

// SttbfFfn: each font's FFN, its 39 bytes of metrics zero, then its name.
std::string DocBuilder::FontTable() const {
  std::string table = U16Bytes(static_cast<uint16_t>(fonts_.size())) + U16Bytes(0);
  for (const std::u16string& font : fonts_) {
    std::string ffn(39, '\0');
    for (char16_t c : font) ffn += U16Bytes(c);
    ffn += U16Bytes(0);
    table += static_cast<char>(ffn.size()) + ffn;
  }
  return table;
}

// "Normal" and "heading 1" to "heading 9" as paragraph styles, each with
// the sprms StyleSprms gave it.
std::string DocBuilder::StyleSheet() const {
  constexpr uint16_t kBaseSize = 10;
  std::string sheet = U16Bytes(4) + U16Bytes(kStyles) + U16Bytes(kBaseSize);
  for (uint16_t istd = 0; istd < kStyles; ++istd) {
    auto sprms = style_sprms_.find(istd);
    std::string grpprl = sprms == style_sprms_.end() ? std::string() : sprms->second;
    std::string entry = U16Bytes(istd) + U16Bytes(0xFFF0 | 1) + U16Bytes(0x0010) + U16Bytes(0) +
                        U16Bytes(0) + U16Bytes(1) + U16Bytes('S') + U16Bytes(0) +
                        U16Bytes(static_cast<uint16_t>(2 + grpprl.size())) + U16Bytes(istd) +
                        grpprl;
    if (entry.size() % 2 != 0) entry += '\0';
    entry += U16Bytes(0);  // the character properties' UPX, empty
    sheet += U16Bytes(static_cast<uint16_t>(entry.size())) + entry;
  }
  return sheet;
}

DocBuilder& DocBuilder::EndParagraph(int depth) {
  return Mark(u'\r', depth > 0 ? InTable(depth) : std::string());
}

DocBuilder& DocBuilder::EndCell(int depth) {
  if (depth == 1) return Mark(u'\x07', InTable(1));
  return Mark(u'\r', InTable(depth) + Sprm8(0x244B, 1));
}

DocBuilder& DocBuilder::EndRow(const std::vector<int>& edges, const std::vector<uint16_t>& flags,
                               int depth) {
  std::string sprms = InTable(depth) + DefTable(edges, flags);
  if (depth == 1) return Mark(u'\x07', sprms + Sprm8(0x2417, 1));
  return Mark(u'\r', sprms + Sprm8(0x244B, 1) + Sprm8(0x244C, 1));
}

DocBuilder& DocBuilder::Anchor(uint32_t shape_id) {
  anchors_.emplace_back(static_cast<uint32_t>(main_.text.size()), shape_id);
  main_.text += u'\x08';
  main_.deleted.push_back(deleted_);
  return *this;
}

DocBuilder& DocBuilder::TextBox(uint32_t shape_id) {
  in_text_box_ = true;
  boxes_.push_back({shape_id, static_cast<uint32_t>(text_boxes_.text.size())});
  return *this;
}

DocBuilder& DocBuilder::MainText() {
  in_text_box_ = false;
  return *this;
}

DocBuilder& DocBuilder::Footnote(std::u16string_view text) {
  footnote_references_.push_back(static_cast<uint32_t>(main_.text.size()));
  main_.text += u'\x02';
  main_.deleted.push_back(deleted_);
  footnote_starts_.push_back(static_cast<uint32_t>(footnotes_.text.size()));
  footnotes_.text += u'\x02';
  footnotes_.text.append(text);
  footnotes_.text += u'\r';
  footnotes_.deleted.resize(footnotes_.text.size(), false);
  footnotes_.paragraph_ends.push_back(static_cast<uint32_t>(footnotes_.text.size()));
  footnotes_.paragraph_sprms.emplace_back();
  footnotes_.paragraph_styles.push_back(0);
  return *this;
}

std::string DocBuilder::Build() const {
  // The stories one after the other: the footnotes' with a paragraph mark
  // after the last note, and with a text box story, a last paragraph mark
  // ends the whole text, as Word writes it.
  const uint32_t main_length = static_cast<uint32_t>(main_.text.size());
  Story footnotes = footnotes_;
  if (!footnote_references_.empty()) {
    footnotes.text += u'\r';
    footnotes.deleted.push_back(false);
    footnotes.paragraph_ends.push_back(static_cast<uint32_t>(footnotes.text.size()));
    footnotes.paragraph_sprms.emplace_back();
    footnotes.paragraph_styles.push_back(0);
  }
  std::u16string text;
  std::vector<bool> deleted;
  std::vector<std::string> sprms;  // per character
  struct Mark {
    uint32_t end;  // CP after the mark
    std::string sprms;
    uint16_t istd;
  };
  std::vector<Mark> paragraphs;
  for (const Story* story : {&main_, &std::as_const(footnotes), &text_boxes_}) {
    const uint32_t offset = static_cast<uint32_t>(text.size());
    text += story->text;
    deleted.insert(deleted.end(), story->deleted.begin(), story->deleted.end());
    sprms.insert(sprms.end(), story->sprms.begin(), story->sprms.end());
    sprms.resize(text.size());
    for (size_t i = 0; i < story->paragraph_ends.size(); ++i) {
      paragraphs.push_back({offset + story->paragraph_ends[i], story->paragraph_sprms[i],
                            story->paragraph_styles[i]});
    }
  }
  if (!boxes_.empty()) {
    text += u'\r';
    deleted.push_back(false);
    paragraphs.push_back({static_cast<uint32_t>(text.size()), std::string(), 0});
  }

  auto fc = [](uint64_t cp) { return kTextStart + 2 * cp; };
  std::vector<Run> paragraph_runs, character_runs;
  uint64_t start = 0;
  for (const Mark& mark : paragraphs) {
    paragraph_runs.push_back({fc(start), fc(mark.end), mark.sprms, mark.istd});
    start = mark.end;
  }
  sprms.resize(text.size());
  for (size_t cp = 0; cp < text.size();) {
    size_t end = cp;
    while (end < text.size() && deleted[end] == deleted[cp] && sprms[end] == sprms[cp]) ++end;
    character_runs.push_back(
        {fc(cp), fc(end), (deleted[cp] ? Sprm8(0x0800, 1) : std::string()) + sprms[cp]});
    cp = end;
  }

  std::string word_document(kTextStart, '\0');
  for (char16_t c : text) word_document += U16Bytes(c);
  word_document.resize((word_document.size() + kPage - 1) / kPage * kPage, '\0');
  std::string character_bins, paragraph_bins;
  word_document += PackPages(character_runs, false, word_document.size() / kPage, &character_bins);
  word_document += PackPages(paragraph_runs, true, word_document.size() / kPage, &paragraph_bins);

  std::string table;
  std::map<int, std::pair<size_t, size_t>> pairs;  // FIB pair -> offset, size
  auto add = [&](int pair, const std::string& bytes) {
    pairs[pair] = {table.size(), bytes.size()};
    table += bytes;
  };
  std::string pieces = U32Bytes(0) + U32Bytes(static_cast<uint32_t>(text.size())) + U16Bytes(0) +
                       U32Bytes(static_cast<uint32_t>(kTextStart)) + U16Bytes(0);
  add(kPairPieceTable, '\x02' + U32Bytes(static_cast<uint32_t>(pieces.size())) + pieces);
  add(kPairCharacterBins, character_bins);
  add(kPairParagraphBins, paragraph_bins);
  if (styled_) add(kPairStyleSheet, StyleSheet());
  if (fonts_.size() > 1) add(kPairFonts, FontTable());
  if (!lists_.empty()) {
    std::string levels, overrides;
    add(kPairListDefinitions, ListTables(&levels, &overrides));
    table += levels;
    add(kPairListOverrides, overrides);
  }
  if (!footnote_references_.empty()) {
    std::string cps, numbered, starts;
    for (uint32_t cp : footnote_references_) cps += U32Bytes(cp);
    for (uint32_t note : footnote_starts_) starts += U32Bytes(note);
    numbered.resize(2 * footnote_references_.size());
    for (size_t i = 0; i < numbered.size(); i += 2) numbered[i] = 1;
    const uint32_t story_length = static_cast<uint32_t>(footnotes.text.size());
    add(kPairFootnoteReferences, cps + U32Bytes(main_length) + numbered);
    add(kPairFootnoteTexts, starts + U32Bytes(story_length - 1) + U32Bytes(story_length));
  }
  if (!anchors_.empty()) {
    std::string cps, shapes;
    for (const auto& [cp, shape_id] : anchors_) {
      cps += U32Bytes(cp);
      shapes += U32Bytes(shape_id) + U32Bytes(0) + U32Bytes(0) + U32Bytes(1440) + U32Bytes(1440) +
                U16Bytes(0) + U32Bytes(0);
    }
    add(kPairShapeAnchors, cps + U32Bytes(main_length) + shapes);
  }
  if (!boxes_.empty()) {
    const uint32_t story_length = static_cast<uint32_t>(text_boxes_.text.size());
    std::string cps, entries;
    for (const Box& box : boxes_) {
      cps += U32Bytes(box.start);
      entries += U32Bytes(1) + U32Bytes(0) + U16Bytes(0) + U32Bytes(0xFFFFFFFF) +
                 U32Bytes(box.shape_id) + U32Bytes(0);
    }
    // The last entry is one Word keeps for reuse; its text is ignored.
    cps += U32Bytes(story_length) + U32Bytes(story_length + 1);
    entries +=
        U32Bytes(0xFFFFFFFF) + U32Bytes(0) + U16Bytes(1) + U32Bytes(0) + U32Bytes(0) + U32Bytes(0);
    add(kPairTextBoxes, cps + entries);
  }

  // The FIB: base, 14 words, 22 longs (text lengths), the fc/lcb pairs.
  std::string& fib = word_document;
  PutU16(&fib, 0x00, 0xA5EC);
  PutU16(&fib, 0x02, 0x00C1);
  PutU16(&fib, 0x0A, 0x0200);  // the table stream is 1Table
  PutU16(&fib, 0x20, 14);
  const uint64_t longs = 0x22 + 28 + 2;
  PutU16(&fib, longs - 2, 22);
  PutU32(&fib, longs, static_cast<uint32_t>(word_document.size()));
  PutU32(&fib, longs + 12, main_length);
  PutU32(&fib, longs + 16, static_cast<uint32_t>(footnotes.text.size()));
  PutU32(&fib, longs + 36, static_cast<uint32_t>(text_boxes_.text.size()));
  const uint64_t pair_count = longs + 88;
  PutU16(&fib, pair_count, kFibPairs);
  for (const auto& [pair, where] : pairs) {
    PutU32(&fib, pair_count + 2 + 8 * pair, static_cast<uint32_t>(where.first));
    PutU32(&fib, pair_count + 2 + 8 * pair + 4, static_cast<uint32_t>(where.second));
  }
  std::vector<NamedStream> streams{{u"WordDocument", word_document}, {u"1Table", table}};
  if (!data_.empty()) streams.push_back({u"Data", data_});
  return WriteCompoundFile(streams, 3);
}

}  // namespace quillmere::document::testing
