// The lists of a Word 97-2003 document: the list definitions (PlfLst: an
// LSTF and its LVLs per list, [MS-DOC] 2.9.147, 2.9.150), the list
// instances paragraphs name by their ilfo (PlfLfo: an LFO and its LFOLVL
// overrides each, 2.9.200), and the list a paragraph style carries (the
// style sheet, 2.9.271), turned into the labels of list paragraphs in
// document order.
//
// Word 6/95-style numbered paragraphs (sprmPAnld without an ilfo) get no
// label.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "document/common/list_labels.h"
#include "document/model.h"
#include "document/word97/fib.h"
#include "document/word97/sprm.h"

namespace quillmere::document::word97 {

namespace sprm {
constexpr uint16_t kPIlvl = 0x260A;
constexpr uint16_t kPIlfo = 0x460B;
}  // namespace sprm

class Lists {
 public:
  // Reads the structures `fib` points to in `table_stream`. Damaged or
  // missing ones leave their lists out: a paragraph of such a list simply
  // gets no label.
  Lists(std::string_view table_stream, const Fib& fib);

  // The label of a paragraph of style `istd` with the direct properties
  // `sprms`, counted in `counter`; null when it belongs to no list. Call it
  // for every paragraph in document order.
  std::shared_ptr<const ListLabel> Label(uint16_t istd, const std::vector<Sprm>& sprms,
                                         ListCounter& counter) const;

 private:
  // The list a style gives its paragraphs, through the styles it is based on.
  struct StyleList {
    int ilfo = -1;  // -1: the style sets none
    int level = -1;
  };

  void ReadInstances(std::string_view table_stream, const Fib& fib);
  void ReadStyles(std::string_view table_stream, FcLcb style_sheet);

  std::vector<ListInstance> instances_;  // by ilfo - 1
  std::vector<StyleList> styles_;        // by istd
};

}  // namespace quillmere::document::word97
