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
#pragma once

#include <cstdint>
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

  // The document as a compound file.
  std::string Build() const;

 private:
  struct Story {
    std::u16string text;
    std::vector<std::string> paragraph_sprms;  // per paragraph, in order
    std::vector<uint32_t> paragraph_ends;      // CP after each paragraph's mark
    std::vector<bool> deleted;                 // per character
  };
  struct Box {
    uint32_t shape_id;
    uint32_t start;  // CP in the text box story
  };

  DocBuilder& Mark(char16_t mark, std::string sprms);
  Story& Current() { return in_text_box_ ? text_boxes_ : main_; }

  Story main_;
  Story footnotes_;
  Story text_boxes_;
  bool in_text_box_ = false;
  bool deleted_ = false;
  std::vector<std::pair<uint32_t, uint32_t>> anchors_;  // main-text CP, shape id
  std::vector<Box> boxes_;
  std::vector<uint32_t> footnote_references_;  // main-text CPs
  std::vector<uint32_t> footnote_starts_;      // CPs in the footnote story
};

// Grpprl bytes, little-endian, for building sprms by hand.
std::string U16Bytes(uint16_t value);
std::string U32Bytes(uint32_t value);

}  // namespace quillmere::document::testing
