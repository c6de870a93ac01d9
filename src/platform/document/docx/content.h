// The content of a WordprocessingML story (the body, a table cell, a text
// box) as blocks of the document model.
//
// Kept: paragraphs and tables with their rows and cells (w:tbl, w:tr, w:tc,
// w:tblGrid, w:gridSpan, w:vMerge, w:gridBefore/w:gridAfter, the legacy
// w:hMerge), runs of text (w:t, w:tab, w:br, w:cr, w:sym, w:noBreakHyphen),
// the results of fields (w:fldSimple and complex fields), inserted text
// (w:ins), and the content of wrappers (w:sdt, w:hyperlink, w:smartTag,
// w:customXml, one branch of mc:AlternateContent). Text boxes anchored in a
// paragraph follow that paragraph. Dropped: deleted text and rows (w:del),
// field instructions, and everything that is not text (drawings, math,
// properties).
#pragma once

#include <vector>

#include <pugixml.hpp>

#include "platform/document/docx/names.h"
#include "platform/document/model.h"
#include "platform/status.h"

namespace quillmere::document {

class DocxNumbering;
class DocxNotes;

// What the paragraphs of a story need besides their own XML.
struct StoryContext {
  const DocxNumbering* numbering = nullptr;  // gives list paragraphs their labels
  DocxNotes* notes = nullptr;                // the notes that references stand for
  Document* document = nullptr;              // receives those notes, in reference order
};

// Appends the blocks under `story` to `out`. With a `context`, list
// paragraphs get their labels and footnote and endnote references
// (w:footnoteReference, w:endnoteReference) their marks, each note's text
// going to the context's document. Fails only for a table wider than the
// grid allows.
Status ReadStory(const WordNames& names, pugi::xml_node story, std::vector<Block>* out,
                 StoryContext* context = nullptr);

}  // namespace quillmere::document
