// Test helper: writes small Word 97-2003 documents from scratch, the way
// Word lays them out: the text in one 16-bit piece, paragraph and character
// properties in formatted disk pages, tables marked as Word marks them,
// footnotes in their own story, and text boxes in theirs paired with their
// anchors by shape id.
//
//   DocBuilder doc;
//   doc.Text(u"a").EndCell().Text(u"b").EndCell().EndRow({0, 1440, 2880});
//   doc.Text(u"after").EndParagraph();
//   std::string bytes = doc.Build();
//
// Lists, paragraph styles and a paragraph's own sprms come with List,
// ListInstance, StyleSprms and Next; what forms hold besides text with
// Symbols and CheckBoxField.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere::document::testing {

class DocBuilder {
 public:
  DocBuilder();

  // Characters of the current paragraph; they carry the deletion mark while
  // Deleted(true) is in force, as do the marks that end paragraphs.
  DocBuilder& Text(std::u16string_view text);
  DocBuilder& Deleted(bool deleted);

  // Characters set in the symbol font `font` (the font table lists it):
  // the font's own codes, as "\u00FE" or U+F0FE.
  DocBuilder& Symbols(std::u16string_view font, std::u16string_view codes);
  // A check box form field (FORMCHECKBOX), `checked` or not: its field
  // characters, and its data (FFData) in the Data stream.
  DocBuilder& CheckBoxField(bool checked);

  // Ends the current paragraph at table depth `depth` (0 outside tables).
  DocBuilder& EndParagraph(int depth = 0);
  // Ends a cell of a table at `depth`: a 0x07 at depth 1, a 0x0D marked as
  // a cell end deeper down.
  DocBuilder& EndCell(int depth = 1);
  // Ends a row whose cells lie between `edges` (twips, one more than the
  // cells), with per-cell merge flags (tcgrf).
  DocBuilder& EndRow(const std::vector<int>& edges, const std::vector<uint16_t>& flags = {},
                     int depth = 1);

  // A drawing anchor (0x08) in the main text for the shape `shape_id`.
  DocBuilder& Anchor(uint32_t shape_id);
  // What follows goes into a new text box of the shape `shape_id`, up to
  // the next TextBox or MainText. A box's last paragraph must be ended.
  DocBuilder& TextBox(uint32_t shape_id);
  DocBuilder& MainText();

  // A footnote Word numbers: its reference (0x02) in the main text, and
  // `text` as the note's one paragraph in the footnote story.
  DocBuilder& Footnote(std::u16string_view text);

  // The next paragraph mark gives its paragraph the style `istd` and the
  // sprms `sprms` besides those of its place in a table.
  DocBuilder& Next(uint16_t istd, std::string sprms = {});

  // A level of a list: its number format code (nfc), start, and number
  // text with the placeholder of level n as the character n.
  struct Level {
    uint8_t nfc = 0;
    int32_t start = 1;
    std::u16string text;
  };
  // A list definition (LSTF and its LVLs): one level makes a simple list,
  // more the first of nine.
  DocBuilder& List(int32_t lsid, const std::vector<Level>& levels);
  // A list instance (LFO), ilfo 1 for the first: it uses the list `lsid`,
  // starting each level of `starts` (level, start) again.
  DocBuilder& ListInstance(int32_t lsid, const std::vector<std::pair<int, int32_t>>& starts = {});

  // The sprms of style `istd`. The style sheet holds istd 0 ("Normal") to
  // 9 ("heading 1" to "heading 9") once a paragraph or this names one.
  DocBuilder& StyleSprms(uint16_t istd, std::string sprms);

  // The document as a compound file.
  std::string Build() const;

 private:
  struct Story {
    std::u16string text;
    std::vector<std::string> paragraph_sprms;  // per paragraph, in order
    std::vector<uint16_t> paragraph_styles;    // per paragraph
    std::vector<uint32_t> paragraph_ends;      // CP after each paragraph's mark
    std::vector<bool> deleted;                 // per character
    std::vector<std::string> sprms;            // per character, besides a deletion
  };
  struct Box {
    uint32_t shape_id;
    uint32_t start;  // CP in the text box story
  };

  DocBuilder& Mark(char16_t mark, std::string sprms);
  // `text` whose characters carry `sprms`.
  DocBuilder& Characters(std::u16string_view text, const std::string& sprms);
  std::string FontTable() const;
  Story& Current() { return in_text_box_ ? text_boxes_ : main_; }
  std::string ListTables(std::string* levels, std::string* overrides) const;
  std::string StyleSheet() const;

  Story main_;
  Story footnotes_;
  Story text_boxes_;
  bool in_text_box_ = false;
  bool deleted_ = false;
  std::vector<std::pair<uint32_t, uint32_t>> anchors_;  // main-text CP, shape id
  std::vector<Box> boxes_;
  std::vector<uint32_t> footnote_references_;  // main-text CPs
  std::vector<uint32_t> footnote_starts_;      // CPs in the footnote story
  uint16_t next_istd_ = 0;
  std::string next_sprms_;
  std::vector<std::pair<int32_t, std::vector<Level>>> lists_;
  std::vector<std::pair<int32_t, std::vector<std::pair<int, int32_t>>>> instances_;
  std::map<uint16_t, std::string> style_sprms_;
  bool styled_ = false;
  std::vector<std::u16string> fonts_{u"Times New Roman"};
  std::string data_;  // the Data stream
};

// Grpprl bytes, little-endian, for building sprms by hand.
std::string U16Bytes(uint16_t value);
std::string U32Bytes(uint32_t value);

}  // namespace quillmere::document::testing
