// The lists of a Word 97-2003 document: the list definitions (PlfLst: an
// LSTF and its LVLs per list, [MS-DOC] 2.9.147, 2.9.150), the list
// instances paragraphs name by their ilfo (PlfLfo: an LFO and its LFOLVL
// overrides each, 2.9.200), and the list a paragraph style carries (the
// style sheet, 2.9.271), turned into the labels of list paragraphs in
// document order.
//
// Word 6/95-style numbered paragraphs, whose numbering lies in their own
// (or their style's) properties rather than in a list (sprmPAnld, an ANLD,
// 2.9.7, with sprmPNLvlAnm), are labelled from that ANLD: its number
// format, start and the text around the number. A numbered paragraph (level
// 10) counts on from the one just before it, else starts again; a bullet
// (11) shows its text; outline levels (1 to 9) count through the story.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/common/field_numbers.h"
#include "document/common/list_labels.h"
#include "document/model.h"
#include "document/word97/fib.h"
#include "document/word97/sprm.h"

namespace quillmere::document::word97 {

namespace sprm {
constexpr uint16_t kPIlvl = 0x260A;
constexpr uint16_t kPIlfo = 0x460B;
constexpr uint16_t kPNLvlAnm = 0x240D;
constexpr uint16_t kPAnld = 0xC63E;
}  // namespace sprm

// What the paragraphs of one story count on: the lists' counters, the
// numbering fields, and whether the paragraph before was a Word 6/95-style
// numbered one.
struct StoryNumbers {
  ListCounter lists;
  FieldNumbers fields{lists};
  bool numbered_before = false;
  int64_t numbered_runs = 0;
};

class Lists {
 public:
  // Reads the structures `fib` points to in `table_stream`. Damaged or
  // missing ones leave their lists out: a paragraph of such a list simply
  // gets no label.
  Lists(std::string_view table_stream, const Fib& fib);

  // The label of a paragraph of style `istd` with the direct properties
  // `sprms`, counted in `numbers`, which also learn the paragraph's heading
  // level and list for the fields in it; null when it belongs to no list.
  // Call it for every paragraph of a story in document order.
  std::shared_ptr<const ListLabel> Label(uint16_t istd, const std::vector<Sprm>& sprms,
                                         StoryNumbers& numbers) const;

 private:
  // The list a paragraph's properties or its style's give it.
  struct ListSprms {
    int ilfo = -1;  // -1: none set
    int level = -1;
    int outline = -1;  // sprmPNLvlAnm
    std::string anld;  // sprmPAnld's operand
  };
  struct Style {
    ListSprms list;   // through the styles it is based on
    int heading = 0;  // a built-in heading style's level, 1 to 9
  };

  static void ApplyListSprms(const std::vector<Sprm>& sprms, ListSprms* list);
  // A Word 6/95-style numbered paragraph's label.
  std::shared_ptr<const ListLabel> NumberedParagraph(const ListSprms& list,
                                                     StoryNumbers& numbers) const;

  void ReadInstances(std::string_view table_stream, const Fib& fib);
  void ReadStyles(std::string_view table_stream, FcLcb style_sheet);

  std::vector<ListInstance> instances_;  // by ilfo - 1
  std::vector<Style> styles_;            // by istd
};

}  // namespace quillmere::document::word97
