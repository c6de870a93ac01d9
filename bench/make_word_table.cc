// make_word_table TEXTS ROWS FORMAT OUT: writes one of the benchmarks' tables
// (word_tables.h: TEXTS ascii or chinese) of ROWS rows to OUT, as
//   markup  the table's markup as `quillmere convert` reads it (tabletest.html:
//           the text after "<table ", code page 936);
//   docx    a Word 2007+ document holding the table (merges as w:gridSpan and
//           w:vMerge);
//   doc     a Word 97-2003 document holding the table (a wider cell for the
//           column span, TC80 vertical-merge flags for the row span).
// The whole-process benchmark (whole_process_bench) times fresh processes on them.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "document/word97/compound_file_writer.h"
#include "platform/encoding/codepage.h"
#include "support/zip_writer.h"
#include "word_tables.h"

namespace quillmere {
namespace {

using document::testing::PutU16;
using document::testing::PutU32;

std::string Markup(int rows, BenchText texts) {
  return codepage::EncodeCp936(TableOf(rows, texts), codepage::Unencodable::kCharacterReference);
}

std::string DocxBody(int rows, BenchText texts) {
  std::string xml = "<w:p><w:r><w:t>The table:</w:t></w:r></w:p><w:tbl><w:tblGrid>";
  for (int c = 0; c < kBenchColumns; ++c) xml += "<w:gridCol w:w=\"1200\"/>";
  xml += "</w:tblGrid>";
  for (const std::vector<PlacedCell>& row : PlaceCells(BenchTable(rows, texts))) {
    xml += "<w:tr>";
    for (const PlacedCell& cell : row) {
      std::string properties;
      if (cell.span > 1) properties += "<w:gridSpan w:val=\"" + std::to_string(cell.span) + "\"/>";
      if (cell.merge == VerticalMerge::kRestart) properties += "<w:vMerge w:val=\"restart\"/>";
      if (cell.merge == VerticalMerge::kContinue) properties += "<w:vMerge/>";
      xml += "<w:tc>";
      if (!properties.empty()) xml += "<w:tcPr>" + properties + "</w:tcPr>";
      xml += cell.text.empty() ? "<w:p/>" : "<w:p><w:r><w:t>" + cell.text + "</w:t></w:r></w:p>";
      xml += "</w:tc>";
    }
    xml += "</w:tr>";
  }
  return xml + "</w:tbl><w:p/>";
}

// --- Word 97-2003 ---

constexpr uint32_t kTextStart = 1024;  // the FIB stands before it
constexpr uint32_t kPageSize = 512;
constexpr int kMaxRunsPerPage = 0x1D;
constexpr int kColumnWidth = 1200;  // twips
constexpr char16_t kCellMark = 0x07;
constexpr char16_t kParagraphMark = 0x0D;

std::string Sprm(uint16_t opcode, const std::string& operand) {
  std::string bytes(2, '\0');
  PutU16(&bytes, 0, opcode);
  return bytes + operand;
}

// A paragraph's properties as an FKP holds them (PapxInFkp): a size byte,
// the style index 0, then the sprms.
std::string PapxInFkp(const std::string& sprms) {
  const std::string grpprl_and_istd = std::string(2, '\0') + sprms;
  const size_t size = grpprl_and_istd.size();
  if (size % 2 == 1) return std::string(1, static_cast<char>((size + 1) / 2)) + grpprl_and_istd;
  return std::string(1, '\0') + std::string(1, static_cast<char>(size / 2)) + grpprl_and_istd;
}

const std::string& CellProperties() {
  static const std::string papx = PapxInFkp(Sprm(0x2416, "\x01"));  // sprmPFInTable
  return papx;
}

// The row end's properties: in a table, the row mark, and the row's cells
// (sprmTDefTable: their edges and a TC80 for each; only the first, which
// carries the vertical merge, is written, the others being all zero).
std::string RowProperties(const std::vector<PlacedCell>& row) {
  const int cells = static_cast<int>(row.size());
  std::string definition(1 + 2 * (cells + 1) + 20, '\0');
  definition[0] = static_cast<char>(cells);
  int edge = 0;
  for (int i = 0; i <= cells; ++i) {
    PutU16(&definition, 1 + 2 * i, static_cast<uint16_t>(edge));
    if (i < cells) edge += kColumnWidth * row[i].span;
  }
  const VerticalMerge merge = row.front().merge;
  const uint16_t flags = merge == VerticalMerge::kRestart    ? 0x0060
                         : merge == VerticalMerge::kContinue ? 0x0020
                                                             : 0;
  PutU16(&definition, 1 + 2 * (cells + 1), flags);
  std::string size(2, '\0');
  PutU16(&size, 0, static_cast<uint16_t>(definition.size() + 1));
  return PapxInFkp(Sprm(0x2416, "\x01") + Sprm(0x2417, "\x01") + Sprm(0xD608, size + definition));
}

// Paragraph runs packed into 512-byte FKP pages.
class ParagraphPages {
 public:
  // The run of bytes [start, end) of the text, with `papx` (empty: none).
  void Add(uint32_t start, uint32_t end, const std::string& papx) {
    if (!Fits(papx)) Flush();
    if (runs_.empty()) bounds_.assign(1, start);
    bounds_.push_back(end);
    runs_.push_back(papx.empty() ? 0 : Place(papx));
  }

  // The pages, and the bin table: the first text offset of every page, the
  // end of the last, then the page numbers counted from `first_page`.
  void Finish(uint32_t first_page, std::string* pages, std::string* bins) {
    Flush();
    *pages = std::move(pages_);
    bins->assign(4 * (2 * firsts_.size() + 1), '\0');
    for (size_t i = 0; i < firsts_.size(); ++i) PutU32(bins, 4 * i, firsts_[i]);
    PutU32(bins, 4 * firsts_.size(), last_end_);
    for (size_t i = 0; i < firsts_.size(); ++i) {
      PutU32(bins, 4 * (firsts_.size() + 1 + i), first_page + static_cast<uint32_t>(i));
    }
  }

 private:
  static size_t Header(size_t runs) { return 4 * (runs + 1) + 13 * runs; }

  bool Fits(const std::string& papx) const {
    if (runs_.size() >= kMaxRunsPerPage) return false;
    size_t floor = floor_;
    if (!papx.empty() && placed_.count(papx) == 0) floor -= (papx.size() + 1) & ~size_t{1};
    return Header(runs_.size() + 1) <= floor;
  }

  // Where `papx` lies in the page, in 16-bit words; written once per page.
  uint8_t Place(const std::string& papx) {
    auto found = placed_.find(papx);
    if (found != placed_.end()) return found->second;
    floor_ -= (papx.size() + 1) & ~size_t{1};
    page_.replace(floor_, papx.size(), papx);
    return placed_[papx] = static_cast<uint8_t>(floor_ / 2);
  }

  void Flush() {
    if (runs_.empty()) return;
    for (size_t i = 0; i < bounds_.size(); ++i) PutU32(&page_, 4 * i, bounds_[i]);
    for (size_t i = 0; i < runs_.size(); ++i) page_[4 * (runs_.size() + 1) + 13 * i] = runs_[i];
    page_[kPageSize - 1] = static_cast<char>(runs_.size());
    pages_ += page_;
    firsts_.push_back(bounds_.front());
    last_end_ = bounds_.back();
    page_.assign(kPageSize, '\0');
    runs_.clear();
    placed_.clear();
    floor_ = kPageSize - 2;
  }

  std::string page_ = std::string(kPageSize, '\0');
  std::vector<uint32_t> bounds_;
  std::vector<uint8_t> runs_;
  std::map<std::string, uint8_t> placed_;
  size_t floor_ = kPageSize - 2;
  std::string pages_;
  std::vector<uint32_t> firsts_;
  uint32_t last_end_ = 0;
};

std::string Doc(int rows, BenchText texts) {
  std::u16string text;
  ParagraphPages pages;
  auto paragraph = [&](std::u16string_view content, char16_t mark, const std::string& papx) {
    const uint32_t start = kTextStart + 2 * static_cast<uint32_t>(text.size());
    text.append(content).push_back(mark);
    pages.Add(start, kTextStart + 2 * static_cast<uint32_t>(text.size()), papx);
  };
  paragraph(u"The table:", kParagraphMark, "");
  for (const std::vector<PlacedCell>& row : PlaceCells(BenchTable(rows, texts))) {
    for (const PlacedCell& cell : row) {
      paragraph(unicode::FromUtf8(cell.text), kCellMark, CellProperties());
    }
    paragraph(u"", kCellMark, RowProperties(row));
  }
  paragraph(u"", kParagraphMark, "");

  std::string word_document(kTextStart, '\0');
  for (char16_t unit : text) {
    word_document.push_back(static_cast<char>(unit & 0xFF));
    word_document.push_back(static_cast<char>(unit >> 8));
  }
  word_document.resize((word_document.size() + kPageSize - 1) / kPageSize * kPageSize, '\0');
  std::string fkp_pages, bins;
  pages.Finish(static_cast<uint32_t>(word_document.size() / kPageSize), &fkp_pages, &bins);
  word_document += fkp_pages;

  // The table stream: the piece table (one piece of 16-bit text), then the
  // paragraph bin table.
  std::string table = "\x02" + std::string(4 + 16, '\0');
  PutU32(&table, 1, 16);
  PutU32(&table, 5, 0);
  PutU32(&table, 9, static_cast<uint32_t>(text.size()));
  PutU32(&table, 15, kTextStart);
  const uint32_t bins_at = static_cast<uint32_t>(table.size());
  table += bins;

  // The FIB: Word 97, the table stream "1Table"; csw 14, cslw 22 (ccpText),
  // 93 fc/lcb pairs (12 character bins: none, 13 paragraph bins, 33 pieces).
  PutU16(&word_document, 0x00, 0xA5EC);
  PutU16(&word_document, 0x02, 0x00C1);
  PutU16(&word_document, 0x06, 0x0804);
  PutU16(&word_document, 0x0A, 0x0200);
  PutU16(&word_document, 0x20, 14);
  PutU16(&word_document, 0x3E, 22);
  PutU32(&word_document, 0x40, static_cast<uint32_t>(word_document.size()));
  PutU32(&word_document, 0x4C, static_cast<uint32_t>(text.size()));
  PutU16(&word_document, 0x98, 93);
  auto pair = [&](int index, uint32_t fc, uint32_t lcb) {
    PutU32(&word_document, 0x9A + 8 * index, fc);
    PutU32(&word_document, 0x9A + 8 * index + 4, lcb);
  };
  pair(13, bins_at, static_cast<uint32_t>(bins.size()));
  pair(33, 0, bins_at);
  return document::testing::WriteCompoundFile(
      {{u"WordDocument", word_document}, {u"1Table", table}}, 3);
}

bool Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace
}  // namespace quillmere

int main(int argc, char** argv) {
  using namespace quillmere;
  const std::string texts = argc == 5 ? argv[1] : "";
  const int rows = argc == 5 ? std::atoi(argv[2]) : 0;
  const std::string format = argc == 5 ? argv[3] : "";
  if ((texts != "ascii" && texts != "chinese") || rows < 1 ||
      (format != "markup" && format != "docx" && format != "doc")) {
    std::cerr << "usage: make_word_table ascii|chinese ROWS markup|docx|doc OUT\n";
    return 2;
  }
  const BenchText table = texts == "chinese" ? BenchText::kChinese : BenchText::kAscii;
  const char* out = argv[4];
  bool written = false;
  if (format == "markup") written = Write(out, Markup(rows, table));
  if (format == "doc") written = Write(out, Doc(rows, table));
  if (format == "docx") {
    written =
        document::testing::WriteDocx(out, document::testing::DocumentXml(DocxBody(rows, table)));
  }
  if (!written) std::cerr << "make_word_table: cannot write " << out << "\n";
  return written ? 0 : 1;
}
