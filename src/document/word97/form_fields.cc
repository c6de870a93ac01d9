#include "document/word97/form_fields.h"

#include <algorithm>

#include "document/common/symbol_fonts.h"
#include "document/word97/little_endian.h"
#include "document/word97/sprm.h"

namespace quillmere::document::word97 {
namespace {

// FFN ([MS-DOC] 2.9.86): ffid, wWeight, chs, ixchSzAlt, panose and fs come
// before the font's name.
constexpr uint64_t kFontNameOffset = 39;
constexpr uint16_t kExtendedStrings = 0xFFFF;
// NilPICFAndBinData (2.9.161): lcb, cbHeader (0x44) and ignored bytes
// come before the FFData.
constexpr uint16_t kBinDataHeader = 0x44;
constexpr uint32_t kFFDataVersion = 0xFFFFFFFF;
constexpr int kTypeText = 0;
constexpr int kTypeCheckBox = 1;
constexpr int kTypeDropDown = 2;
// A check box's iRes that means "as its default, wDef".
constexpr int kResultDefault = 25;
constexpr char16_t kFieldData = 0x01;

// A null-terminated UTF-16 string at `at`, at most up to `end`.
std::u16string NullTerminated(const LittleEndian& bytes, uint64_t at, uint64_t end) {
  std::u16string text;
  for (; at + 2 <= end; at += 2) {
    char16_t c = bytes.U16(at);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// Xstz (2.9.339): a 16-bit count, the characters, a 16-bit null. Advances
// `at` past it; false when it runs past the data.
bool ReadXstz(const LittleEndian& data, uint64_t* at, std::u16string* out) {
  const uint64_t count = data.U16(*at);
  if (!data.Has(*at, 2 + 2 * count + 2)) return false;
  out->clear();
  for (uint64_t i = 0; i < count; ++i) out->push_back(data.U16(*at + 2 + 2 * i));
  *at += 2 + 2 * count + 2;
  return true;
}

// The FFData at `location` of the Data stream; false when there is none.
bool ReadFieldData(const LittleEndian& data, uint32_t location, FormFields::Field* field) {
  if (data.U16(uint64_t{location} + 4) != kBinDataHeader) return false;
  uint64_t at = uint64_t{location} + kBinDataHeader;
  if (!data.Has(at, 10) || data.U32(at) != kFFDataVersion) return false;
  const uint16_t bits = data.U16(at + 4);
  const int type = bits & 0x3;
  const int result = (bits >> 2) & 0x1F;
  at += 10;  // version, bits, cch, hps
  if (!ReadXstz(data, &at, &field->name)) return false;
  field->text_input = type == kTypeText;
  field->check_box = type == kTypeCheckBox;
  if (field->check_box) {
    // A check box's default state (wDef) follows its name.
    field->checked = result == kResultDefault ? data.U16(at) != 0 : result != 0;
  }
  return type == kTypeText || type == kTypeCheckBox || type == kTypeDropDown;
}

// What one run of characters says for forms: its symbol font, and whether
// it carries a form field's data, and where.
struct RunFacts {
  int font = -1;  // ftc of a symbol font
  bool field_data = false;
  uint32_t location = 0;
};

// The last of each sprm counts.
RunFacts FactsOf(const std::vector<Sprm>& sprms, const std::vector<bool>& symbol_fonts) {
  RunFacts facts;
  int ascii = -1, other = -1, inserted = -1;
  for (const Sprm& sprm : sprms) {
    switch (sprm.opcode) {
      case sprm::kCRgFtc0:
        ascii = sprm.operand.U16(0);
        break;
      case sprm::kCRgFtc2:
        other = sprm.operand.U16(0);
        break;
      case sprm::kCSymbol:
        inserted = sprm.operand.U16(0);
        break;
      case sprm::kCFData:
        facts.field_data = sprm.operand.U8(0) != 0;
        break;
      case sprm::kCPicLocation:
        facts.location = sprm.operand.U32(0);
        break;
    }
  }
  for (int ftc : {inserted, ascii, other}) {
    if (ftc >= 0 && static_cast<size_t>(ftc) < symbol_fonts.size() && symbol_fonts[ftc]) {
      facts.font = ftc;
      break;
    }
  }
  return facts;
}

}  // namespace

std::u16string_view FormFields::SymbolFontAt(uint32_t cp) const {
  auto run = std::upper_bound(symbol_runs.begin(), symbol_runs.end(), cp,
                              [](uint32_t at, const SymbolRun& r) { return at < r.end; });
  if (run == symbol_runs.end() || run->start > cp) return {};
  return run->font;
}

const FormFields::Field* FormFields::FieldAt(uint32_t cp) const {
  auto field = std::lower_bound(fields.begin(), fields.end(), cp,
                                [](const Field& f, uint32_t at) { return f.cp < at; });
  return field != fields.end() && field->cp == cp ? &*field : nullptr;
}

std::vector<std::u16string> ReadFontNames(std::string_view table_stream, FcLcb fonts) {
  std::vector<std::u16string> names;
  LittleEndian table(table_stream);
  if (fonts.lcb < 4 || !table.Has(fonts.fc, fonts.lcb)) return names;
  LittleEndian sttb(table.Slice(fonts.fc, fonts.lcb));
  uint64_t count = sttb.U16(0);
  uint64_t at = 2;
  if (count == kExtendedStrings) return names;  // never used for fonts
  at += 2;                                      // cbExtra
  for (uint64_t i = 0; i < count && sttb.Has(at, 1); ++i) {
    const uint64_t size = sttb.U8(at);
    if (!sttb.Has(at + 1, size)) break;
    names.push_back(size > kFontNameOffset
                        ? NullTerminated(sttb, at + 1 + kFontNameOffset, at + 1 + size)
                        : std::u16string());
    at += 1 + size;
  }
  return names;
}

namespace {

// The run of `runs` holding byte `fc`, or null.
const FkpRun* RunAt(const std::vector<FkpRun>& runs, uint64_t fc) {
  auto run = std::upper_bound(runs.begin(), runs.end(), fc,
                              [](uint64_t at, const FkpRun& r) { return at < r.end; });
  return run != runs.end() && run->start <= fc ? &*run : nullptr;
}

// The CPs of each piece that runs set in a symbol font.
void ReadSymbolRuns(const std::vector<FkpRun>& runs, const PieceTable& pieces,
                    const std::vector<std::u16string>& fonts, const std::vector<bool>& symbol_fonts,
                    FormFields* out) {
  std::vector<Sprm> sprms;
  for (const Piece& piece : pieces.pieces) {
    auto run = std::upper_bound(runs.begin(), runs.end(), uint64_t{piece.fc},
                                [](uint64_t at, const FkpRun& r) { return at < r.end; });
    for (; run != runs.end() && run->start < piece.fc_end(); ++run) {
      sprms.clear();
      AppendSprms(run->sprms, &sprms);
      AppendPrmSprms(piece.prm, pieces.prc_grpprls, &sprms);  // the piece's apply after
      const int font = FactsOf(sprms, symbol_fonts).font;
      if (font < 0) continue;
      const uint64_t from = std::max<uint64_t>(run->start, piece.fc);
      const uint64_t to = std::min<uint64_t>(run->end, piece.fc_end());
      const uint32_t start =
          piece.cp_start + static_cast<uint32_t>((from - piece.fc) / piece.char_size);
      const uint32_t end =
          piece.cp_start +
          static_cast<uint32_t>((to - piece.fc + piece.char_size - 1) / piece.char_size);
      if (start < end) out->symbol_runs.push_back({start, end, fonts[font]});
    }
  }
  std::sort(out->symbol_runs.begin(), out->symbol_runs.end(),
            [](const auto& a, const auto& b) { return a.start < b.start; });
}

// The form fields whose data a 0x01 of `text` carries: only those
// characters are looked up, a few in any document.
void ReadFields(const std::vector<FkpRun>& runs, const PieceTable& pieces, std::u16string_view text,
                const LittleEndian& data, FormFields* out) {
  std::vector<Sprm> sprms;
  for (const Piece& piece : pieces.pieces) {
    for (uint32_t cp = piece.cp_start; cp < piece.cp_end && cp < text.size(); ++cp) {
      if (text[cp] != kFieldData) continue;
      const FkpRun* run = RunAt(runs, piece.fc + uint64_t{cp - piece.cp_start} * piece.char_size);
      sprms.clear();
      if (run != nullptr) AppendSprms(run->sprms, &sprms);
      AppendPrmSprms(piece.prm, pieces.prc_grpprls, &sprms);
      const RunFacts facts = FactsOf(sprms, {});
      FormFields::Field field;
      field.cp = cp;
      if (facts.field_data && ReadFieldData(data, facts.location, &field)) {
        out->fields.push_back(std::move(field));
      }
    }
  }
  std::sort(out->fields.begin(), out->fields.end(),
            [](const auto& a, const auto& b) { return a.cp < b.cp; });
}

}  // namespace

FormFields ReadFormFields(const std::vector<FkpRun>& runs, const PieceTable& pieces,
                          std::u16string_view text, const std::vector<std::u16string>& fonts,
                          std::string_view data_stream) {
  FormFields out;
  std::vector<bool> symbol_fonts;
  for (const std::u16string& font : fonts) symbol_fonts.push_back(IsSymbolFont<char16_t>(font));
  if (std::find(symbol_fonts.begin(), symbol_fonts.end(), true) != symbol_fonts.end()) {
    ReadSymbolRuns(runs, pieces, fonts, symbol_fonts, &out);
  }
  if (!data_stream.empty()) ReadFields(runs, pieces, text, LittleEndian(data_stream), &out);
  return out;
}

}  // namespace quillmere::document::word97
