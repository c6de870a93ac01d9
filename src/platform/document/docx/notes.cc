#include "platform/document/docx/notes.h"

namespace quillmere::document {
namespace {

// Applies the w:numFmt and w:numStart of a w:footnotePr or w:endnotePr.
void ReadNumbering(const WordNames& names, pugi::xml_node properties, NumberFormat* format,
                   int* start) {
  if (pugi::xml_node numbering = names.Child(properties, "numFmt")) {
    *format = NumberFormatOfName(names.Attribute(numbering, "val").value());
  }
  *start = names.ChildNumber(properties, "numStart", *start);
}

}  // namespace

DocxNotes::DocxNotes(pugi::xml_node footnotes, pugi::xml_node endnotes, pugi::xml_node settings,
                     pugi::xml_node section)
    : of_{{WordNames(footnotes), {}, NumberFormat::kDecimal},
          {WordNames(endnotes), {}, NumberFormat::kLowerRoman}} {
  pugi::xml_node roots[2] = {footnotes, endnotes};
  const char* property_names[2] = {"footnotePr", "endnotePr"};
  WordNames settings_names(settings);
  pugi::xml_node main_root = section.root().find_child(
      [](pugi::xml_node node) { return node.type() == pugi::node_element; });
  WordNames section_names(main_root);
  for (int i = 0; i < 2; ++i) {
    OfKind& kind = of_[i];
    for (pugi::xml_node note : roots[i].children()) {
      kind.notes.emplace(kind.names.Attribute(note, "id").value(), note);
    }
    ReadNumbering(settings_names, settings_names.Child(settings, property_names[i]), &kind.format,
                  &kind.next);
    ReadNumbering(section_names, section_names.Child(section, property_names[i]), &kind.format,
                  &kind.next);
  }
}

pugi::xml_node DocxNotes::Find(NoteKind kind, std::string_view id) const {
  const auto& notes = of_[Index(kind)].notes;
  auto note = notes.find(id);
  return note == notes.end() ? pugi::xml_node() : note->second;
}

std::u16string DocxNotes::NextMark(NoteKind kind) {
  OfKind& of = of_[Index(kind)];
  return FormatNumber(of.next++, of.format);
}

}  // namespace quillmere::document
