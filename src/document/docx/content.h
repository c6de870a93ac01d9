// The content of a WordprocessingML story (the body, a table cell, a text
// box) as blocks of the document model.
//
// Kept: paragraphs and tables with their rows and cells (see
// table_builder.h), runs of text (w:t, w:tab, w:br, w:cr, w:sym,
// w:noBreakHyphen), the results of fields (w:fldSimple and complex fields;
// a numbering field's counted number, see common/field_stack.h), inserted
// text (w:ins), and the content of wrappers (w:sdt, w:hyperlink,
// w:smartTag, w:customXml, the branch of mc:AlternateContent Word reads,
// WordNames::ChosenBranch). Text boxes
// anchored in a paragraph follow that paragraph. Dropped: deleted text and
// rows (w:del), field instructions, and everything that is not text
// (drawings, math, properties): the text reads as it does with every
// tracked change accepted, and a field shows only its result.
//
// Beside the text, for forms (FormMark): check boxes of content controls
// (w14:checkbox) and of form fields (w:ffData), content controls' tags and
// titles and text form fields' names, and characters set in a symbol font
// (w:sym, and runs whose own w:rFonts name one).
#pragma once

#include <memory>
#include <vector>

#include <pugixml.hpp>

#include "document/docx/grid.h"
#include "document/docx/names.h"
#include "document/model.h"
#include "platform/status.h"

namespace quillmere::document::docx {

class Numbering;
class Notes;

// What the paragraphs of a story need besides their own XML.
struct StoryContext {
  const Numbering* numbering = nullptr;  // gives list paragraphs their labels
  Notes* notes = nullptr;                // the notes that references stand for
  Document* document = nullptr;          // receives those notes, in reference order
  TableKeys* table_keys = nullptr;       // given each table read, for JoinAdjacentTables
};

class StoryReader;

class ContentReader {
 public:
  // With a `context`, which must outlive the reader, list paragraphs get
  // their labels and footnote and endnote references (w:footnoteReference,
  // w:endnoteReference) their marks, each note's text going to the
  // context's document.
  explicit ContentReader(const WordNames& names, StoryContext* context = nullptr);
  ~ContentReader();

  // A story read piece by piece, as the main part streams by: its
  // paragraphs, one at a time, between BeginStory and EndStory (stories
  // nest: a table cell's lies within the body's). Fields do not cross a
  // story's borders, so a damaged field cannot hide the text after it.
  // ReadParagraph appends the paragraph, then the content of the text boxes
  // anchored in it, to `out`; it fails only for a table (in a text box or a
  // note) wider than the grid allows.
  void BeginStory();
  Status ReadParagraph(pugi::xml_node p, std::vector<Block>* out);
  void EndStory();

  // A content control (w:sdt) around the blocks read between BeginControl
  // and EndControl (controls nest); SetControl gives it its properties
  // (w:sdtPr). Its tag or title names what each paragraph in it holds.
  void BeginControl();
  void SetControl(pugi::xml_node properties);
  void EndControl();

 private:
  std::unique_ptr<StoryReader> reader_;
};

}  // namespace quillmere::document::docx
