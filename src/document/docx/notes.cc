#include "document/docx/notes.h"

#include <algorithm>
#include <climits>
#include <memory>

namespace quillmere::document::docx {
namespace {

constexpr const char* kPropertyNames[2] = {"footnotePr", "endnotePr"};

// Applies the w:numFmt and w:numStart of a w:footnotePr or w:endnotePr.
void ReadNumbering(const WordNames& names, pugi::xml_node properties, NumberFormat* format,
                   int* start) {
  if (pugi::xml_node numbering = names.Child(properties, "numFmt")) {
    *format = NumberFormatOfName(names.Attribute(numbering, "val").value());
  }
  *start = names.ChildNumber(properties, "numStart", *start);
}

// Calls `visit` for every note reference in `blocks`, tables included.
template <typename Visit>
void ForEachReference(std::vector<Block>& blocks, const Visit& visit) {
  for (Block& block : blocks) {
    if (auto* paragraph = std::get_if<Paragraph>(&block)) {
      for (Inline& item : paragraph->inlines) {
        if (item.kind == Inline::Kind::kFootnoteReference) visit(NoteKind::kFootnote, item);
        if (item.kind == Inline::Kind::kEndnoteReference) visit(NoteKind::kEndnote, item);
      }
      continue;
    }
    for (Row& row : std::get<std::unique_ptr<Table>>(block)->rows) {
      for (Cell& cell : row.cells) ForEachReference(cell.blocks, visit);
    }
  }
}

}  // namespace

Notes::Notes(pugi::xml_node footnotes, pugi::xml_node endnotes, pugi::xml_node settings)
    : of_{{WordNames(footnotes), {}, NumberFormat::kDecimal},
          {WordNames(endnotes), {}, NumberFormat::kLowerRoman}} {
  pugi::xml_node roots[2] = {footnotes, endnotes};
  WordNames settings_names(settings);
  for (int i = 0; i < 2; ++i) {
    OfKind& kind = of_[i];
    for (pugi::xml_node note : roots[i].children()) {
      kind.notes.emplace(kind.names.Attribute(note, "id").value(), note);
    }
    ReadNumbering(settings_names, settings_names.Child(settings, kPropertyNames[i]), &kind.format,
                  &kind.start);
  }
}

void Notes::ReadSection(const WordNames& names, pugi::xml_node section) {
  for (int i = 0; i < 2; ++i) {
    ReadNumbering(names, names.Child(section, kPropertyNames[i]), &of_[i].format, &of_[i].start);
  }
}

pugi::xml_node Notes::Find(NoteKind kind, std::string_view id) const {
  const auto& notes = of_[Index(kind)].notes;
  auto note = notes.find(id);
  return note == notes.end() ? pugi::xml_node() : note->second;
}

std::u16string Notes::NextMark(NoteKind kind) {
  return FormatNumber(++of_[Index(kind)].count, NumberFormat::kDecimal);
}

std::u16string Notes::Formatted(const OfKind& of, std::u16string_view count) {
  int64_t number = 0;
  for (char16_t digit : count) number = number * 10 + (digit - u'0');
  number += int64_t{of.start} - 1;
  return FormatNumber(static_cast<int>(std::clamp<int64_t>(number, INT_MIN, INT_MAX)), of.format);
}

void Notes::FormatMarks(Document* document) const {
  auto counted = [](const OfKind& of) {
    return of.count > 0 && (of.format != NumberFormat::kDecimal || of.start != 1);
  };
  if (!counted(of_[0]) && !counted(of_[1])) return;  // the counts are the marks
  ForEachReference(document->body, [this](NoteKind kind, Inline& reference) {
    if (!reference.custom_mark) reference.text = Formatted(of_[Index(kind)], reference.text);
  });
  for (NoteKind kind : {NoteKind::kFootnote, NoteKind::kEndnote}) {
    for (Note& note : kind == NoteKind::kFootnote ? document->footnotes : document->endnotes) {
      if (!note.custom_mark) note.mark = Formatted(of_[Index(kind)], note.mark);
    }
  }
}

}  // namespace quillmere::document::docx
