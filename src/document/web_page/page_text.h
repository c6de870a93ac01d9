// Text and lengths as Word writes them into a web page.
#pragma once

#include <cstdint>
#include <string>

#include "document/model.h"

namespace quillmere::document::web_page {

// How many note references of each kind the page holds so far: the next
// one's id ("ftn3", "edn1") follows from it.
struct NoteCount {
  int footnotes = 0;
  int endnotes = 0;
};

// Appends the paragraph's content: "&", "<", ">" and '"' escaped, a
// no-break space as "&nbsp;", a run of blanks as Word keeps it
// (<span style='mso-spacerun:yes'> with "&nbsp;"), a line break as "<br>",
// a tab as Word's tab span, a note reference as Word's link to the note
// (its mark in brackets, "[1]", or an author's mark as it is), counted in
// `notes`. Never a TAB, CR or LF character: control characters become
// blanks or vanish.
void AppendParagraphContent(const Paragraph& paragraph, std::u16string& out,
                            NoteCount* notes = nullptr);

// Appends a list paragraph's label as Word writes it before the text: the
// label in a span the browser ignores (mso-list:Ignore), in its bullet font
// when it has one, with the no-break spaces that stand for the tab or blank
// after it (before it for a right-aligned label).
void AppendListLabel(const ListLabel& label, std::u16string& out);

// Appends the mark that starts a note's own text, linked back to its
// reference: the `number`-th footnote (or endnote) of the page.
void AppendNoteBackLink(const Note& note, bool endnote, int number, std::u16string& out);

// Whether the paragraph shows nothing: Word writes it as "<o:p>&nbsp;</o:p>".
bool IsEmpty(const Paragraph& paragraph);

// A length in points, as Word's styles give it: "142.0pt", "15.85pt", ".5pt".
std::u16string Points(int64_t twips);

// A length in pixels at 96 per inch, rounded, for width attributes.
int64_t Pixels(int64_t twips);

}  // namespace quillmere::document::web_page
