#include "document/word97/reader.h"

#include <algorithm>
#include <string>

#include "document/word97/compound_file.h"
#include "document/word97/fib.h"
#include "document/word97/fkp.h"
#include "document/word97/form_fields.h"
#include "document/word97/lists.h"
#include "document/word97/notes.h"
#include "document/word97/paragraphs.h"
#include "document/word97/pieces.h"
#include "document/word97/revisions.h"
#include "document/word97/row.h"
#include "document/word97/symbols.h"
#include "document/word97/tables.h"
#include "document/word97/text.h"
#include "document/word97/text_boxes.h"
#include "platform/translation.h"

namespace quillmere::document::word97 {
namespace {

constexpr char16_t kCellMark = 0x07;
constexpr char16_t kParagraphMark = 0x0D;
constexpr char16_t kDrawingAnchor = 0x08;
// Far above what real documents use (about one sprm per 7 bytes).
constexpr uint64_t kSprmBudgetBase = 1 << 20;
constexpr uint64_t kSprmBudgetPerByte = 16;

struct Streams {
  std::string word_document;
  std::string table;
  std::string data;  // may be missing, then empty
};

// Reads the stream `name`; `found` tells whether it exists.
Status ReadNamedStream(const CompoundFile& file, std::u16string_view name, std::string* out,
                       bool* found) {
  std::optional<uint32_t> entry = file.FindStream(name);
  *found = entry.has_value();
  if (!entry) return Status();
  return file.ReadStream(*entry, out);
}

Status ReadStreams(std::string_view file_bytes, Streams* streams, Fib* fib) {
  CompoundFile file;
  QM_RETURN_IF_ERROR(CompoundFile::Open(file_bytes, &file));
  bool found = false;
  QM_RETURN_IF_ERROR(ReadNamedStream(file, u"WordDocument", &streams->word_document, &found));
  if (!found) {
    return Status(ErrorNumber::kUnsupportedFormat, Tr("The compound file holds no Word document."));
  }
  QM_RETURN_IF_ERROR(ReadFib(streams->word_document, fib));
  std::u16string_view table_name = fib->uses_1table ? u"1Table" : u"0Table";
  QM_RETURN_IF_ERROR(ReadNamedStream(file, table_name, &streams->table, &found));
  if (!found) {
    return Status(ErrorNumber::kCorruptDocument, Tr("The document's table stream is missing."));
  }
  QM_RETURN_IF_ERROR(CheckFibAgainstTableStream(fib, streams->table.size()));
  return ReadNamedStream(file, u"Data", &streams->data, &found);
}

enum class Ending { kParagraph, kCell, kRow };

// What a paragraph ends. At depth 1 a cell ends with 0x07, and a row with
// 0x07 marked sprmPFTtp; deeper down a 0x0D marked sprmPFInnerTableCell
// ends a cell and one marked sprmPFInnerTtp a row.
Ending EndingOf(const TableMarks& marks, char16_t mark) {
  if (marks.depth == 1 && mark == kCellMark) return marks.row_end ? Ending::kRow : Ending::kCell;
  if (marks.depth > 1 && marks.inner_row_end) return Ending::kRow;
  if (marks.depth > 1 && marks.inner_cell_end) return Ending::kCell;
  return Ending::kParagraph;
}

// The whole text with what the stories need to become blocks. `sprm_budget`,
// linear in the file's size, bounds the work a hostile file can cause.
struct Text {
  std::u16string characters;  // deleted characters blanked
  std::vector<uint32_t> deleted_marks;
  std::vector<ParagraphSpan> paragraphs;
  std::vector<TextBoxAnchor> text_boxes;
  std::vector<NoteReference> notes;  // sorted by CP
  FormFields forms;
  PieceTable pieces;
  std::string_view data;
  uint64_t sprm_budget = 0;
};

class StoryAssembler {
 public:
  StoryAssembler(Text& text, const Lists& lists) : text_(text), lists_(lists) {}

  // Reads the main text, CPs [0, `length`), into `out`: each text box
  // follows the paragraph that holds its anchor, and each note's text goes
  // to `out`'s notes when its reference is read, so notes keep the order of
  // their references. The lists of the text boxes count on with the main
  // text's; each note counts its own.
  Status AssembleMain(uint32_t length, Document* out) {
    notes_out_ = out;
    StoryNumbers numbers;
    return Assemble(0, length, {&numbers, true}, out);
  }

 private:
  struct Story {
    StoryNumbers* numbers;  // of the lists and fields its paragraphs hold
    bool main = false;      // the main text, which holds text boxes and notes
  };

  // Appends the blocks of the story in CPs [begin, end) to `out`.
  Status Assemble(uint32_t begin, uint32_t end, const Story& story, Document* out) {
    TableAssembler assembler(out);
    TextFilter filter(&story.numbers->fields, &text_.forms);
    std::vector<Sprm> sprms;
    auto box = text_.text_boxes.begin();
    auto span = std::lower_bound(
        text_.paragraphs.begin(), text_.paragraphs.end(), begin,
        [](const ParagraphSpan& paragraph, uint32_t cp) { return paragraph.mark < cp; });
    for (; span != text_.paragraphs.end() && span->start < end; ++span) {
      if (!ParagraphSprms(*span, text_.pieces, text_.data, &text_.sprm_budget, &sprms)) {
        return Status(ErrorNumber::kCorruptDocument,
                      Tr("The document's paragraph properties are damaged: far more of them than "
                         "the file could hold."));
      }
      TableMarks marks = ReadTableMarks(sprms);
      bool has_mark = span->mark < end;
      Ending ending = EndingOf(marks, has_mark ? text_.characters[span->mark] : kParagraphMark);
      if (ending == Ending::kRow) {
        filter.CloseFields();
        if (has_mark && IsDeletedMark(span->mark)) {
          assembler.DropRow(marks.depth);
        } else {
          assembler.EndRow(marks.depth, ReadRowDefinition(sprms));
        }
        continue;
      }
      uint32_t start = std::max(span->start, begin);
      uint32_t stop = has_mark ? span->mark : UnmarkedEnd(start, end);
      Paragraph paragraph;
      paragraph.list_label = lists_.Label(span->istd, sprms, *story.numbers);
      AppendCharacters(start, stop, story.main, filter, &paragraph);
      std::vector<Block> anchored;
      if (story.main) {
        QM_RETURN_IF_ERROR(
            TextBoxesIn(start, std::min(span->mark + 1, end), *story.numbers, box, &anchored));
      }
      if (ending == Ending::kCell) {
        filter.CloseFields();
        assembler.EndCell(marks.depth, std::move(paragraph), std::move(anchored));
      } else {
        assembler.AddParagraph(marks.depth, std::move(paragraph), std::move(anchored));
      }
    }
    assembler.Finish();
    return Status();
  }

  // Where a story's last paragraph, which no paragraph run ends, stops:
  // before the story's final paragraph mark.
  uint32_t UnmarkedEnd(uint32_t start, uint32_t end) const {
    return end > start && text_.characters[end - 1] == kParagraphMark ? end - 1 : end;
  }

  bool IsDeletedMark(uint32_t cp) const {
    return std::binary_search(text_.deleted_marks.begin(), text_.deleted_marks.end(), cp);
  }

  // Appends the characters [start, stop) to `paragraph`; in the main text
  // with the references of notes where they stand. A reference that was
  // deleted shows no note.
  void AppendCharacters(uint32_t start, uint32_t stop, bool main, TextFilter& filter,
                        Paragraph* paragraph) {
    std::u16string_view characters = text_.characters;
    while (main && next_note_ < text_.notes.size() && text_.notes[next_note_].cp < stop) {
      const NoteReference& reference = text_.notes[next_note_++];
      if (reference.cp < start || characters[reference.cp] == 0) continue;
      filter.Append(characters.substr(start, reference.cp - start), start, paragraph);
      AddNote(reference, paragraph);
      start = reference.cp;  // Word's 0x02 there shows nothing; an author's mark shows as text
    }
    filter.Append(characters.substr(start, stop - start), start, paragraph);
  }

  // A reference shows its number, or nothing where the author's own mark
  // follows as text.
  void AddNote(const NoteReference& reference, Paragraph* paragraph) {
    Note note;
    note.custom_mark = !reference.numbered;
    if (reference.numbered) note.mark = numbers_.Next(reference.endnote);
    note.blocks = ReadNote(reference);
    paragraph->AddInline(
        {reference.endnote ? Inline::Kind::kEndnoteReference : Inline::Kind::kFootnoteReference,
         note.mark, note.custom_mark});
    (reference.endnote ? notes_out_->endnotes : notes_out_->footnotes).push_back(std::move(note));
  }

  // A note's text as blocks, tables included; a damaged one is left empty.
  std::vector<Block> ReadNote(const NoteReference& reference) {
    StoryNumbers numbers;
    Document note;
    if (reference.text_start >= reference.text_end ||
        !Assemble(reference.text_start, reference.text_end, {&numbers, false}, &note).ok()) {
      return {};
    }
    return std::move(note.body);
  }

  // The blocks of the text boxes anchored in CPs [start, end), in order;
  // `box` walks the boxes, which are sorted by anchor. An anchor that was
  // deleted (or holds no drawing anchor) shows no box.
  Status TextBoxesIn(uint32_t start, uint32_t end, StoryNumbers& numbers,
                     std::vector<TextBoxAnchor>::iterator& box, std::vector<Block>* out) {
    for (; box != text_.text_boxes.end() && box->anchor < end; ++box) {
      if (box->anchor < start || text_.characters[box->anchor] != kDrawingAnchor) continue;
      Document content;
      QM_RETURN_IF_ERROR(Assemble(box->start, box->end, {&numbers, false}, &content));
      for (Block& block : content.body) out->push_back(std::move(block));
    }
    return Status();
  }

  Text& text_;
  const Lists& lists_;
  size_t next_note_ = 0;  // of text_.notes, the first the main text has not passed
  NoteNumbers numbers_;
  Document* notes_out_ = nullptr;
};

// Where the texts of `notes` end: the stories must be read that far.
uint32_t NotesEnd(const std::vector<NoteReference>& notes) {
  uint32_t end = 0;
  for (const NoteReference& note : notes) end = std::max(end, note.text_end);
  return end;
}

}  // namespace

Status ReadDocument(std::string_view file_bytes, Document* out) {
  *out = Document();
  Streams streams;
  Fib fib;
  QM_RETURN_IF_ERROR(ReadStreams(file_bytes, &streams, &fib));
  Text text;
  text.notes = ReadNoteReferences(streams.table, fib);
  uint32_t stories_end = std::max(NotesEnd(text.notes), fib.text_box_start + fib.text_box_length);
  QM_RETURN_IF_ERROR(ReadPieceTable(streams.table, fib.piece_table, fib.main_text_length,
                                    stories_end, streams.word_document.size(), &text.pieces));
  text.characters = ReadMainText(streams.word_document, text.pieces);
  if (NotesEnd(text.notes) > text.characters.size()) {
    text.notes.clear();  // texts out of reach: the references show nothing
  }
  std::vector<FkpRun> character_runs =
      ReadFkpRuns(FkpKind::kCharacter, streams.word_document, streams.table, fib.character_bins);
  ResolveSymbols(character_runs, text.pieces, &text.characters);
  text.forms = ReadFormFields(character_runs, text.pieces, text.characters,
                              ReadFontNames(streams.table, fib.fonts), streams.data);
  text.deleted_marks = RemoveDeletedText(character_runs, text.pieces, &text.characters);
  character_runs = std::vector<FkpRun>();
  text.paragraphs = FindParagraphs(
      ReadFkpRuns(FkpKind::kParagraph, streams.word_document, streams.table, fib.paragraph_bins),
      text.pieces, text.characters);
  text.text_boxes =
      ReadTextBoxAnchors(streams.table, fib, static_cast<uint32_t>(text.characters.size()));
  text.data = streams.data;
  text.sprm_budget = kSprmBudgetBase + kSprmBudgetPerByte * file_bytes.size();
  Lists lists(streams.table, fib);
  Status status =
      StoryAssembler(text, lists).AssembleMain(static_cast<uint32_t>(fib.main_text_length), out);
  if (!status.ok()) *out = Document();
  return status;
}

}  // namespace quillmere::document::word97
