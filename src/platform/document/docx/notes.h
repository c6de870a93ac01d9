// The footnotes and endnotes of a .docx package (word/footnotes.xml,
// word/endnotes.xml) and how their references are numbered: the format and
// start of w:footnotePr and w:endnotePr (the settings', overridden by the
// body's last section), decimal from 1 for footnotes and lower-case roman
// for endnotes when nothing is set.
#pragma once

#include <map>
#include <string>

#include <pugixml.hpp>

#include "platform/document/docx/names.h"
#include "platform/document/list_labels.h"

namespace quillmere::document {

enum class NoteKind { kFootnote, kEndnote };

class DocxNotes {
 public:
  // Reads the notes under the root elements of the two parts (either may be
  // null) and their numbering from the settings part's root and the body's
  // w:sectPr (either may be null too).
  DocxNotes(pugi::xml_node footnotes, pugi::xml_node endnotes, pugi::xml_node settings,
            pugi::xml_node section);

  // The w:footnote or w:endnote with w:id `id`, with the names of its part;
  // a null node when there is none.
  pugi::xml_node Find(NoteKind kind, std::string_view id) const;
  const WordNames& Names(NoteKind kind) const { return of_[Index(kind)].names; }

  // The mark of the next automatically numbered note of `kind`.
  std::u16string NextMark(NoteKind kind);

 private:
  struct OfKind {
    WordNames names;
    std::map<std::string, pugi::xml_node, std::less<>> notes;
    NumberFormat format;
    int next = 1;
  };
  static int Index(NoteKind kind) { return kind == NoteKind::kFootnote ? 0 : 1; }
  OfKind of_[2];
};

}  // namespace quillmere::document
