// The lists of a .docx package: the definitions of word/numbering.xml
// (w:abstractNum, and the list instances w:num that use them with their
// w:lvlOverride) and the paragraph styles of word/styles.xml that carry a
// list, turned into the labels of list paragraphs in document order.
#pragma once

#include <map>
#include <optional>
#include <string>

#include <pugixml.hpp>

#include "document/common/list_labels.h"
#include "document/docx/names.h"
#include "document/model.h"

namespace quillmere::document::docx {

class Numbering {
 public:
  Numbering() = default;

  // Reads the numbering part's and the styles part's root elements; either
  // may be null when the package has no such part.
  Numbering(pugi::xml_node numbering, pugi::xml_node styles);

  // The list instance of `paragraph` (a w:p, read with `names`), with its
  // level in `*level`; null when the paragraph belongs to no list. Count
  // its label with ListCounter::Next, in document order.
  const ListInstance* Find(const WordNames& names, pugi::xml_node paragraph, int* level) const;

  // The level of a paragraph of a built-in heading style ("heading 1" to
  // "heading 9"); 0 for any other.
  int HeadingLevel(const WordNames& names, pugi::xml_node paragraph) const;

 private:
  struct Instance {
    ListInstance list;
    std::map<std::string, int> level_of_style;  // w:lvl/w:pStyle
  };
  struct Style {
    std::optional<int> num_id;
    std::optional<int> level;
    std::string based_on;
    int heading = 0;
  };

  void ReadStyles(pugi::xml_node styles);
  void ReadInstances(pugi::xml_node numbering);
  // The list instance and level of a paragraph of style `style_id`.
  void FromStyle(const std::string& style_id, std::optional<int>* num_id,
                 std::optional<int>* level) const;

  std::map<int, Instance> instances_;  // by w:numId
  std::map<std::string, Style> styles_;
  std::string default_style_;
};

}  // namespace quillmere::document::docx
