// Text and lengths as Word writes them into a web page.
#pragma once

#include <cstdint>
#include <string>

#include "platform/document/model.h"

namespace quillmere::document {

// Appends the paragraph's content: "&", "<", ">" and '"' escaped, a
// no-break space as "&nbsp;", a run of blanks as Word keeps it
// (<span style='mso-spacerun:yes'> with "&nbsp;"), a line break as "<br>",
// a tab as Word's tab span. Never a TAB, CR or LF character: control
// characters become blanks or vanish.
void AppendParagraphContent(const Paragraph& paragraph, std::u16string& out);

// Whether the paragraph shows nothing: Word writes it as "<o:p>&nbsp;</o:p>".
bool IsEmpty(const Paragraph& paragraph);

// A length in points, as Word's styles give it: "142.0pt", "15.85pt", ".5pt".
std::u16string Points(int64_t twips);

// A length in pixels at 96 per inch, rounded, for width attributes.
int64_t Pixels(int64_t twips);

}  // namespace quillmere::document
