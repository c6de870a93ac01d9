// The document model every reader fills and the web-page writer reads.
//
// A document is a sequence of blocks: paragraphs and tables. A table is rows
// of cells on a grid of columns; a cell covers one or more grid columns, may
// start or continue a vertical merge, and holds blocks of its own (nested
// tables included). A list paragraph carries its label; footnotes and
// endnotes are kept apart from the body, each where its reference stands.
// What a filled-in form needs beyond the text (check boxes, characters of
// symbol fonts, named fields) rides beside a paragraph's text as form marks,
// which the web page never shows.
// Nothing here depends on the file format a reader came from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillmere::document {

struct Inline {
  enum class Kind {
    kText,
    kLineBreak,
    kTab,
    kFootnoteReference,  // the next of the document's footnotes
    kEndnoteReference,   // the next of its endnotes
  };
  Kind kind = Kind::kText;
  // kText: the text. A note reference: the mark it shows, its number
  // already in the note kind's format ("1", "i"), or the author's own mark.
  std::u16string text;
  bool custom_mark = false;  // a note reference whose mark the author wrote
};

// The number or bullet Word shows before a list paragraph, as text: the
// level's pattern with its counters filled in ("1.", "2.1", "(c)", "·").
struct ListLabel {
  std::u16string text;         // may be empty: a level that shows no number
  std::u16string font;         // the font of a bullet from a symbol font, else empty
  bool right_aligned = false;  // the level's number is right-aligned
  bool followed = true;        // a tab or blank separates it from the text
};

// What a form reads in a paragraph besides its text. A mark covers the
// `length` units of the paragraph's text that begin `at` units in, counted
// as TextLength counts them.
struct FormMark {
  enum class Kind {
    // A check box of a content control or a form field, `checked` or not.
    // A content control's box covers the glyph it shows; a form field's
    // shows no text, so its length is 0.
    kCheckBox,
    // Characters of the symbol font `name` ("Wingdings"): their text is the
    // font's own codes, which only that font shows as boxes and ticks.
    kSymbolFont,
    // What a content control with a tag or title, or a text form field,
    // holds; `name` is the tag (else the title) or the field's name.
    kNamedField,
  };
  Kind kind = Kind::kCheckBox;
  uint32_t at = 0;
  uint32_t length = 0;
  bool checked = false;
  std::u16string name;
};

struct Paragraph {
  std::vector<Inline> inlines;
  // Set for a paragraph of a numbered or bulleted list; never changed once
  // made, so copies of the paragraph may share it.
  std::shared_ptr<const ListLabel> list_label;
  // In the order they were read; empty in paragraphs that hold none.
  std::vector<FormMark> form_marks;

  void AddText(std::u16string_view text) {
    if (text.empty()) return;
    text_length_ += text.size();
    if (!inlines.empty() && inlines.back().kind == Inline::Kind::kText) {
      inlines.back().text.append(text);
    } else {
      inlines.push_back({Inline::Kind::kText, std::u16string(text)});
    }
  }
  void AddBreak() { AddInline({Inline::Kind::kLineBreak, {}}); }
  void AddTab() { AddInline({Inline::Kind::kTab, {}}); }
  // A note reference, or anything but text to merge.
  void AddInline(Inline item) {
    const bool shows_text = item.kind == Inline::Kind::kFootnoteReference ||
                            item.kind == Inline::Kind::kEndnoteReference;
    text_length_ += shows_text ? item.text.size() : 1;
    inlines.push_back(std::move(item));
  }

  // The units of text added so far: a text's or a note mark's units, one
  // for a break or a tab. Form marks are placed by it.
  uint32_t TextLength() const { return static_cast<uint32_t>(text_length_); }

  // Marks the `length` units from `at` as characters of the symbol font
  // `font`, joined to the mark before when that one ends there in the
  // same font.
  void MarkSymbolFont(uint32_t at, uint32_t length, std::u16string_view font) {
    if (length == 0) return;
    if (!form_marks.empty()) {
      FormMark& last = form_marks.back();
      if (last.kind == FormMark::Kind::kSymbolFont && last.at + last.length == at &&
          last.name == font) {
        last.length += length;
        return;
      }
    }
    form_marks.push_back({FormMark::Kind::kSymbolFont, at, length, false, std::u16string(font)});
  }

 private:
  size_t text_length_ = 0;  // kept as inlines are added, so marks cost nothing to place
};

struct Table;
using Block = std::variant<Paragraph, std::unique_ptr<Table>>;

enum class VerticalMerge {
  kNone,
  kRestart,   // first cell of a vertical merge: it holds the text
  kContinue,  // covered by the cell above in the same grid column
};

struct Cell {
  int grid_span = 1;  // grid columns the cell covers, at least 1
  VerticalMerge vertical_merge = VerticalMerge::kNone;
  std::vector<Block> blocks;  // paragraphs and nested tables, in order
};

// Whether the cell shows anything: a nested table, or a paragraph with
// something in it.
inline bool HasContent(const Cell& cell) {
  for (const Block& block : cell.blocks) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph == nullptr || !paragraph->inlines.empty()) return true;
    if (paragraph->list_label && !paragraph->list_label->text.empty()) return true;
  }
  return false;
}

struct Row {
  int grid_before = 0;  // grid columns left empty before the first cell
  int grid_after = 0;   // grid columns left empty after the last cell
  std::vector<Cell> cells;
};

// The width of a grid column nothing in the file measures: one inch.
inline constexpr int kDefaultColumnTwips = 1440;

struct Table {
  // Width of every grid column, in twips (1/1440 inch); its size is the
  // number of grid columns.
  std::vector<int> grid_column_widths;
  std::vector<Row> rows;
};

// A footnote's or endnote's own text, which Word's page holds after the
// body.
struct Note {
  std::u16string mark;  // as its reference shows it
  bool custom_mark = false;
  std::vector<Block> blocks;
};

struct Document {
  std::vector<Block> body;
  // In the order of their references: the k-th reference of a kind in the
  // body is the k-th note of that kind.
  std::vector<Note> footnotes;
  std::vector<Note> endnotes;
};

}  // namespace quillmere::document
