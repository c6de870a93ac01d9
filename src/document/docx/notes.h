// The footnotes and endnotes of a .docx package (word/footnotes.xml,
// word/endnotes.xml) and how their references are numbered: the format and
// start of w:footnotePr and w:endnotePr (the settings', overridden by the
// body's last section), decimal from 1 for footnotes and lower-case roman
// for endnotes when nothing is set.
//
// The body's last section (its w:sectPr) ends the main part, which is read
// as it streams by, after every reference: the references are counted as
// they come, and their marks take their format once the body is read.
#pragma once

#include <map>
#include <string>

#include <pugixml.hpp>

#include "document/common/list_labels.h"
#include "document/docx/names.h"
#include "document/model.h"

namespace quillmere::document::docx {

enum class NoteKind { kFootnote, kEndnote };

class Notes {
 public:
  // Reads the notes under the root elements of the two parts (either may be
  // null) and their numbering from the settings part's root (null too when
  // it is missing).
  Notes(pugi::xml_node footnotes, pugi::xml_node endnotes, pugi::xml_node settings);

  // The numbering the body's last section (a w:sectPr read with `names`)
  // sets over the settings'.
  void ReadSection(const WordNames& names, pugi::xml_node section);

  // The w:footnote or w:endnote with w:id `id`, with the names of its part;
  // a null node when there is none.
  pugi::xml_node Find(NoteKind kind, std::string_view id) const;
  const WordNames& Names(NoteKind kind) const { return of_[Index(kind)].names; }

  // The mark of the next automatically numbered note of `kind`, for now:
  // its count in decimal ("1", "2", ...) until FormatMarks.
  std::u16string NextMark(NoteKind kind);

  // Gives the marks of the references and notes in `document` (every one
  // NextMark made) their numbers in their kind's format from its start.
  void FormatMarks(Document* document) const;

 private:
  struct OfKind {
    WordNames names;
    std::map<std::string, pugi::xml_node, std::less<>> notes;
    NumberFormat format;
    int start = 1;
    int count = 0;  // of the marks made
  };
  static int Index(NoteKind kind) { return kind == NoteKind::kFootnote ? 0 : 1; }
  // The mark NextMark made as `count`, in the kind's format.
  static std::u16string Formatted(const OfKind& of, std::u16string_view count);
  OfKind of_[2];
};

}  // namespace quillmere::document::docx
