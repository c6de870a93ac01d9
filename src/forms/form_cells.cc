#include "forms/form_cells.h"

#include <algorithm>
#include <variant>

namespace quillmere::forms {

namespace {

using document::Block;
using document::FormMark;
using document::Inline;
using document::Paragraph;
using document::Table;
using document::VerticalMerge;

constexpr char16_t kEmptyBox = u'☐';
constexpr char16_t kTickedBox = u'☑';

// What the boxes and ticks of the symbol fonts that forms use show, by the
// font's own code (a character U+F0xx stands for code xx). Word's Insert
// Symbol and the "Wingdings 2: R" habit put them into Chinese forms.
char16_t SymbolGlyph(std::u16string_view font, char16_t code) {
  if (code >= 0xF000 && code <= 0xF0FF) code -= 0xF000;
  auto is = [&](std::u16string_view name) {
    if (font.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
      char16_t c = font[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      if (c != name[i]) return false;
    }
    return true;
  };
  if (is(u"wingdings")) {
    switch (code) {
      case 0x6E:
        return u'■';
      case 0x6F:
        return u'□';
      case 0x71:
        return u'❑';
      case 0x72:
        return u'❒';
      case 0x78:
        return u'☒';
      case 0xA8:
        return kEmptyBox;
      case 0xFC:
        return u'✓';
      case 0xFD:
        return u'☒';
      case 0xFE:
        return kTickedBox;
    }
  } else if (is(u"wingdings 2")) {
    switch (code) {
      case 0x50:
        return u'✓';
      case 0x52:
        return kTickedBox;
      case 0x53:
      case 0x54:
        return u'☒';
      case 0xA3:
        return u'□';
    }
  }
  return 0;
}

// A paragraph's text with its form marks applied: a symbol font's boxes
// as the characters that show them, a check box control's glyph (or a form
// field's place) as ☐ or ☑. Breaks and tabs are blanks.
std::u16string ParagraphText(const Paragraph& paragraph, std::u16string* field_name) {
  std::u16string text;
  for (const Inline& item : paragraph.inlines) {
    const bool blank = item.kind == Inline::Kind::kLineBreak || item.kind == Inline::Kind::kTab;
    if (blank) {
      text.push_back(u' ');
    } else {
      text.append(item.text);
    }
  }
  std::vector<FormMark> boxes;
  for (const FormMark& mark : paragraph.form_marks) {
    if (mark.at > text.size()) continue;
    const size_t length = std::min<size_t>(mark.length, text.size() - mark.at);
    if (mark.kind == FormMark::Kind::kSymbolFont) {
      for (size_t i = mark.at; i < mark.at + length; ++i) {
        if (char16_t glyph = SymbolGlyph(mark.name, text[i])) text[i] = glyph;
      }
    } else if (mark.kind == FormMark::Kind::kCheckBox) {
      boxes.push_back(mark);
    } else if (field_name->empty()) {
      *field_name = mark.name;
    }
  }
  // From the last to the first, so that each box's place still holds.
  std::stable_sort(boxes.begin(), boxes.end(),
                   [](const FormMark& a, const FormMark& b) { return a.at > b.at; });
  for (const FormMark& box : boxes) {
    const size_t length = std::min<size_t>(box.length, text.size() - box.at);
    text.replace(box.at, length, 1, box.checked ? kTickedBox : kEmptyBox);
  }
  if (paragraph.list_label && !paragraph.list_label->text.empty()) {
    text = paragraph.list_label->text + u" " + text;
  }
  return text;
}

void AppendBlocks(const std::vector<Block>& blocks, std::u16string* text,
                  std::u16string* field_name);

void AppendTable(const Table& table, std::u16string* text, std::u16string* field_name) {
  for (const document::Row& row : table.rows) {
    for (const document::Cell& cell : row.cells) AppendBlocks(cell.blocks, text, field_name);
  }
}

// Paragraphs and nested tables one after another, a blank between them.
void AppendBlocks(const std::vector<Block>& blocks, std::u16string* text,
                  std::u16string* field_name) {
  for (const Block& block : blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      text->push_back(u' ');
      text->append(ParagraphText(*paragraph, field_name));
    } else {
      AppendTable(*std::get<std::unique_ptr<Table>>(block), text, field_name);
    }
  }
}

// The cells of one table, each merged cell once: a cell that continues a
// vertical merge makes the cell above it in its grid column reach down.
void AppendCells(const Table& table, int table_index, Cells* out) {
  // For each grid column, the cell whose vertical merge is open there.
  std::vector<size_t> open(table.grid_column_widths.size() + 1, SIZE_MAX);
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const document::Row& row = table.rows[r];
    size_t column = static_cast<size_t>(std::max(row.grid_before, 0));
    for (const document::Cell& cell : row.cells) {
      const size_t span = static_cast<size_t>(std::max(cell.grid_span, 1));
      if (column + span >= open.size()) open.resize(column + span + 1, SIZE_MAX);
      if (cell.vertical_merge == VerticalMerge::kContinue && open[column] != SIZE_MAX) {
        Cell& above = (*out)[open[column]];
        above.rows = static_cast<int>(r) - above.row + 1;
        column += span;
        continue;
      }
      Cell formed;
      formed.table = table_index;
      formed.row = static_cast<int>(r);
      formed.column = static_cast<int>(column);
      formed.columns = static_cast<int>(span);
      std::u16string text;
      AppendBlocks(cell.blocks, &text, &formed.field_name);
      formed.text = FoldBlanks(text);
      const bool opens = cell.vertical_merge == VerticalMerge::kRestart;
      std::fill(open.begin() + column, open.begin() + column + span, SIZE_MAX);
      if (opens) open[column] = out->size();
      out->push_back(std::move(formed));
      column += span;
    }
  }
}

}  // namespace

bool IsBlank(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u00A0' || c == u'\u3000' ||
         (c >= u'\u2000' && c <= u'\u200B') || c == u'\u202F' || c == u'\u205F';
}

std::u16string FoldBlanks(std::u16string_view text) {
  std::u16string folded;
  folded.reserve(text.size());
  bool blank = false;
  for (char16_t c : text) {
    if (IsBlank(c)) {
      blank = true;
      continue;
    }
    if (blank && !folded.empty()) folded.push_back(u' ');
    blank = false;
    folded.push_back(c);
  }
  return folded;
}

bool ReadCells(const document::Document& document, const TableChoice& choice, Cells* out,
               int* tables) {
  out->clear();
  int number = 0;
  for (const Block& block : document.body) {
    const auto* table = std::get_if<std::unique_ptr<Table>>(&block);
    if (table == nullptr) continue;
    ++number;
    if (choice.all || (number >= choice.first && number <= choice.last)) {
      AppendCells(**table, choice.all ? number - 1 : number - choice.first, out);
    }
  }
  *tables = number;
  return choice.all ? number > 0 : number >= choice.last;
}

}  // namespace quillmere::forms
