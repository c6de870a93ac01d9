#include "document/web_page/writer.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <string>

#include "document/web_page/page_text.h"
#include "document/web_page/table_layout.h"
#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"
#include "platform/limits.h"
#include "platform/translation.h"

namespace quillmere::document::web_page {

namespace {

using namespace std::string_view_literals;

constexpr std::u16string_view kCrLf = u"\r\n";

constexpr std::u16string_view kPageStart =
    u"<html xmlns:v=\"urn:schemas-microsoft-com:vml\"\r\n"
    u"xmlns:o=\"urn:schemas-microsoft-com:office:office\"\r\n"
    u"xmlns:w=\"urn:schemas-microsoft-com:office:word\"\r\n"
    u"xmlns=\"http://www.w3.org/TR/REC-html40\">\r\n"
    u"\r\n"
    u"<head>\r\n"
    u"<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\">\r\n"
    u"<meta name=ProgId content=Word.Document>\r\n"
    u"<meta name=Generator content=\"Quillmere document server\">\r\n"
    u"<style>\r\n"
    u"<!--\r\n"
    u" /* Style Definitions */\r\n"
    u" p.MsoNormal, li.MsoNormal, div.MsoNormal\r\n"
    u"  {margin:0cm;\r\n"
    u"  margin-bottom:.0001pt;\r\n"
    u"  text-align:justify;\r\n"
    u"  text-justify:inter-ideograph;\r\n"
    u"  font-size:10.5pt;\r\n"
    u"  font-family:\"Times New Roman\",\"serif\";}\r\n"
    u"table.MsoTableGrid\r\n"
    u"  {border:solid windowtext 1.0pt;\r\n"
    u"  font-size:10.0pt;\r\n"
    u"  font-family:\"Times New Roman\",\"serif\";}\r\n"
    u"-->\r\n"
    u"</style>\r\n"
    u"</head>\r\n"
    u"\r\n"
    u"<body lang=ZH-CN style='tab-interval:21.0pt;text-justify-trim:punctuation'>\r\n"
    u"\r\n"
    u"<div class=WordSection1 style='layout-grid:15.6pt'>\r\n"
    u"\r\n";

constexpr std::u16string_view kSectionEnd = u"</div>\r\n\r\n";

constexpr std::u16string_view kPageEnd =
    u"</body>\r\n"
    u"\r\n"
    u"</html>\r\n";

constexpr std::u16string_view kEmptyParagraphContent = u"<o:p>&nbsp;</o:p>";

// The page's text is encoded as it is written, a piece at a time, so that
// it never stands in memory twice over (UTF-16 takes twice its bytes). The
// pieces are small enough for the memory they take to be used again.
constexpr size_t kPieceUnits = 1 << 14;

// More than the page of `blocks` takes, as a rule, and never far more: the
// memory reserved for the page is taken as it is written, and the page never
// needs to move as it grows.
uint64_t EstimateBytes(const std::vector<Block>& blocks) {
  uint64_t bytes = 0;
  for (const Block& block : blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      bytes += 64;
      if (paragraph->list_label) bytes += 192 + 2 * paragraph->list_label->text.size();
      for (const Inline& item : paragraph->inlines) {
        bool reference = item.kind == Inline::Kind::kFootnoteReference ||
                         item.kind == Inline::Kind::kEndnoteReference;
        bytes += (reference ? 256 : 64) + 2 * item.text.size();
      }
      continue;
    }
    const Table& table = *std::get<std::unique_ptr<Table>>(block);
    bytes += 256;
    for (const Row& row : table.rows) {
      bytes += 128 + 256 * (size_t{row.grid_before > 0} + size_t{row.grid_after > 0});
      for (const Cell& cell : row.cells) bytes += 256 + EstimateBytes(cell.blocks);
    }
  }
  return bytes;
}

uint64_t EstimateBytes(const std::vector<Note>& notes) {
  uint64_t bytes = notes.empty() ? 0 : 256;
  for (const Note& note : notes) bytes += 512 + EstimateBytes(note.blocks);
  return bytes;
}

class PageWriter {
 public:
  // Hands the page's bytes to `write` a piece at a time. Stops early (and
  // says so with Over, or with the write's failure) once the page passes
  // `max_bytes` or a write fails.
  PageWriter(uint64_t max_bytes, const files::FileSystem::PieceWriter& write)
      : max_bytes_(max_bytes), write_(write) {}
  // Every character takes at least one byte, so a page of more characters
  // than the limit is too large before it is encoded.
  bool Over() const { return written_ + out_.size() > max_bytes_; }
  const Status& write_status() const { return write_status_; }

  void Write(const Document& document) {
    out_ = kPageStart;
    for (const Block& block : document.body) {
      Encode(kPieceUnits);
      if (Stopped()) break;
      if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
        out_ += u"<p class=MsoNormal>"sv;
        AppendContent(*paragraph);
        out_ += u"</p>"sv;
        out_ += kCrLf;
      } else {
        WriteTable(*std::get<std::unique_ptr<Table>>(block), 0);
      }
      out_ += kCrLf;
    }
    out_ += kSectionEnd;
    WriteNotes(document.footnotes, false);
    WriteNotes(document.endnotes, true);
    out_ += kPageEnd;
    Encode(0);
  }

 private:
  bool Stopped() const { return Over() || !write_status_.ok(); }

  // Encodes what was written once it is `at_least` units long, keeping a
  // high surrogate for the low one that follows it, and hands it on.
  void Encode(size_t at_least) {
    if (out_.size() < at_least || out_.empty() || Stopped()) return;
    size_t count = out_.size();
    if (at_least > 0 && unicode::IsHighSurrogate(out_.back())) --count;
    bytes_.clear();
    codepage::AppendCp936(std::u16string_view(out_).substr(0, count),
                          codepage::Unencodable::kCharacterReference, &bytes_);
    written_ += bytes_.size();
    if (written_ <= max_bytes_) write_status_ = write_(bytes_);
    out_.erase(0, count);
  }

  void Indent(int depth) { out_.append(static_cast<size_t>(depth), u' '); }

  void AppendContent(const Paragraph& paragraph) {
    if (paragraph.list_label) AppendListLabel(*paragraph.list_label, out_);
    if (IsEmpty(paragraph)) {
      out_ += kEmptyParagraphContent;
    } else {
      AppendParagraphContent(paragraph, out_, &notes_);
    }
  }

  // The notes' own texts after the body, as Word puts them: each in a
  // division of its own, starting with its mark linked back to its
  // reference.
  void WriteNotes(const std::vector<Note>& notes, bool endnotes) {
    if (notes.empty()) return;
    std::u16string_view kind = endnotes ? u"endnote" : u"footnote";
    out_ += u"<div style='mso-element:" + std::u16string(kind) +
            u"-list'><![if !supportFootnotes]><br clear=all>\r\n\r\n"
            u"<hr align=left size=1 width=\"33%\">\r\n\r\n<![endif]>\r\n\r\n";
    for (size_t i = 0; i < notes.size(); ++i) {
      Encode(kPieceUnits);
      if (Stopped()) break;
      std::u16string number = unicode::FromNumber(static_cast<int64_t>(i + 1));
      out_ += u"<div style='mso-element:" + std::u16string(kind) + u"' id=" +
              (endnotes ? u"edn" : u"ftn") + number + u">\r\n\r\n";
      WriteNote(notes[i], endnotes, static_cast<int>(i + 1));
      out_ += u"\r\n</div>\r\n\r\n"sv;
    }
    out_ += u"</div>\r\n\r\n"sv;
  }

  void WriteNote(const Note& note, bool endnote, int number) {
    std::u16string_view paragraph_start =
        endnote ? u"<p class=MsoEndnoteText>" : u"<p class=MsoFootnoteText>";
    bool marked = false;
    for (const Block& block : note.blocks) {
      const auto* paragraph = std::get_if<Paragraph>(&block);
      if (paragraph == nullptr) {
        WriteTable(*std::get<std::unique_ptr<Table>>(block), 0);
        continue;
      }
      out_ += paragraph_start;
      if (!marked) AppendNoteBackLink(note, endnote, number, out_);
      marked = true;
      AppendContent(*paragraph);
      out_ += u"</p>\r\n"sv;
    }
    if (!marked) {
      out_ += paragraph_start;
      AppendNoteBackLink(note, endnote, number, out_);
      out_ += u"</p>\r\n"sv;
    }
  }

  void WriteTable(const Table& table, int indent) {
    TableLayout layout = LayOutTable(table);
    Indent(indent);
    out_ += u"<table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0\r\n"sv;
    Indent(indent + 1);
    out_ +=
        u"style='border-collapse:collapse;border:none;mso-border-alt:solid windowtext .5pt;\r\n";
    Indent(indent + 1);
    out_ += u"mso-yfti-tbllook:1184;mso-padding-alt:0cm 5.4pt 0cm 5.4pt'>\r\n"sv;
    for (size_t r = 0; r < layout.rows.size() && !Stopped(); ++r) {
      WriteRow(layout, r, indent + 1);
      Encode(kPieceUnits);
    }
    Indent(indent);
    out_ += u"</table>\r\n"sv;
  }

  void WriteRow(const TableLayout& layout, size_t r, int indent) {
    const PlacedRow& row = layout.rows[r];
    Indent(indent);
    out_.append(u"<tr style='mso-yfti-irow:"sv)
        .append(unicode::FromNumber(static_cast<int64_t>(r)));
    if (r == 0) out_ += u";mso-yfti-firstrow:yes"sv;
    if (r + 1 == layout.rows.size()) out_ += u";mso-yfti-lastrow:yes"sv;
    if (row.before > 0) {
      out_.append(u";mso-row-margin-left:"sv).append(PointsOf(Width(layout, 0, row.before)));
    }
    if (row.after > 0) {
      int first = static_cast<int>(layout.column_widths.size()) - row.after;
      out_.append(u";mso-row-margin-right:"sv).append(PointsOf(Width(layout, first, row.after)));
    }
    out_ += u"'>\r\n"sv;
    if (row.before > 0) WritePlaceholder(Width(layout, 0, row.before), row.before, indent + 1);
    for (const PlacedCell& cell : row.cells) WriteCell(layout, cell, indent + 1);
    if (row.after > 0) {
      int first = static_cast<int>(layout.column_widths.size()) - row.after;
      WritePlaceholder(Width(layout, first, row.after), row.after, indent + 1);
    }
    Indent(indent);
    out_ += u"</tr>\r\n"sv;
  }

  // Word's stand-in for grid columns a row leaves empty.
  void WritePlaceholder(int64_t twips, int columns, int indent) {
    Indent(indent);
    out_ += u"<td style='mso-cell-special:placeholder;border:none;padding:0cm 0cm 0cm 0cm'\r\n"sv;
    Indent(indent);
    out_.append(u"width="sv).append(unicode::FromNumber(Pixels(twips)));
    if (columns > 1) out_.append(u" colspan="sv).append(unicode::FromNumber(columns));
    out_ += u"><p class='MsoNormal'>&nbsp;</td>\r\n"sv;
  }

  void WriteCell(const TableLayout& layout, const PlacedCell& placed, int indent) {
    const Cell& cell = *placed.cell;
    int span = std::max(cell.grid_span, 1);
    int64_t twips = Width(layout, placed.column, span);
    Indent(indent);
    out_.append(u"<td width="sv).append(unicode::FromNumber(Pixels(twips))).push_back(u' ');
    if (span > 1) out_.append(u"colspan="sv).append(unicode::FromNumber(span)).push_back(u' ');
    if (placed.rowspan > 1) {
      out_.append(u"rowspan="sv).append(unicode::FromNumber(placed.rowspan)).push_back(u' ');
    }
    out_.append(u"valign=top style='width:"sv)
        .append(PointsOf(twips))
        .append(u";border:solid windowtext 1.0pt;\r\n"sv);
    Indent(indent);
    out_ += u"mso-border-alt:solid windowtext .5pt;padding:0cm 5.4pt 0cm 5.4pt'>\r\n"sv;
    WriteCellContent(cell, indent);
    Indent(indent);
    out_ += u"</td>\r\n"sv;
  }

  // Paragraphs and nested tables as they stand in the cell, as Word writes
  // them: text after a nested table follows that table on the page. Word
  // leaves out the empty paragraph that ends a cell after a nested table
  // (unless a list label shows there), and writes one into a cell that
  // holds nothing.
  void WriteCellContent(const Cell& cell, int indent) {
    const std::vector<Block>& blocks = cell.blocks;
    if (blocks.empty()) WriteCellParagraph(Paragraph(), indent);
    for (size_t i = 0; i < blocks.size(); ++i) {
      if (const auto* paragraph = std::get_if<Paragraph>(&blocks[i])) {
        bool ends_after_table = i + 1 == blocks.size() && i > 0 &&
                                std::holds_alternative<std::unique_ptr<Table>>(blocks[i - 1]);
        if (!ends_after_table || !IsEmpty(*paragraph) || paragraph->list_label) {
          WriteCellParagraph(*paragraph, indent);
        }
      } else {
        WriteTable(*std::get<std::unique_ptr<Table>>(blocks[i]), indent);
      }
    }
  }

  void WriteCellParagraph(const Paragraph& paragraph, int indent) {
    Indent(indent);
    out_ += u"<p class=MsoNormal>"sv;
    if (paragraph.list_label) AppendListLabel(*paragraph.list_label, out_);
    if (IsEmpty(paragraph)) {
      out_ += kEmptyParagraphContent;
    } else {
      AppendParagraphContent(paragraph, out_, &notes_);
      out_ += u"<o:p></o:p>"sv;
    }
    out_ += u"</p>\r\n"sv;
  }

  // Points(twips), made once for every width: a table has few.
  const std::u16string& PointsOf(int64_t twips) {
    auto [at, made] = points_.try_emplace(twips);
    if (made) at->second = Points(twips);
    return at->second;
  }

  static int64_t Width(const TableLayout& layout, int first, int count) {
    auto begin = layout.column_widths.begin() + first;
    return std::accumulate(begin, begin + count, int64_t{0});
  }

  std::u16string out_;  // written, not yet encoded
  std::string bytes_;   // the piece being handed on
  std::map<int64_t, std::u16string> points_;
  NoteCount notes_;
  const uint64_t max_bytes_;
  const files::FileSystem::PieceWriter& write_;
  uint64_t written_ = 0;  // bytes encoded so far
  Status write_status_;
};

Status TooLarge(uint64_t max_bytes) {
  return Status(ErrorNumber::kDocumentTooLarge,
                Fill(Tr("The document would make a web page of more than %s bytes, more than "
                        "this program saves and reads back."),
                     max_bytes));
}

}  // namespace

Status Write(const Document& document, const files::FileSystem::PieceWriter& write,
             uint64_t max_bytes) {
  PageWriter writer(max_bytes, write);
  writer.Write(document);
  QM_RETURN_IF_ERROR(writer.write_status());
  return writer.Over() ? TooLarge(max_bytes) : Status();
}

Status Write(const Document& document, std::string* page, uint64_t max_bytes) {
  page->clear();
  const uint64_t estimate = kPageStart.size() + kSectionEnd.size() + kPageEnd.size() +
                            EstimateBytes(document.body) + EstimateBytes(document.footnotes) +
                            EstimateBytes(document.endnotes);
  page->reserve(std::min(estimate, max_bytes));
  Status status = Write(
      document,
      [&](std::string_view piece) {
        page->append(piece);
        return Status();
      },
      max_bytes);
  if (!status.ok()) page->clear();
  return status;
}

}  // namespace quillmere::document::web_page
