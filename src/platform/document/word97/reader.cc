#include "platform/document/word97/reader.h"

#include <functional>
#include <string>

#include "platform/document/word97/compound_file.h"
#include "platform/document/word97/fib.h"
#include "platform/document/word97/fkp.h"
#include "platform/document/word97/lists.h"
#include "platform/document/word97/notes.h"
#include "platform/document/word97/paragraphs.h"
#include "platform/document/word97/pieces.h"
#include "platform/document/word97/row.h"
#include "platform/document/word97/symbols.h"
#include "platform/document/word97/tables.h"
#include "platform/document/word97/text.h"
#include "platform/translation.h"

namespace quillmere::document {
namespace {

constexpr char16_t kCellMark = 0x07;
constexpr char16_t kParagraphMark = 0x0D;
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
  QM_RETURN_IF_ERROR(CheckFibAgainstTableStream(*fib, streams->table.size()));
  return ReadNamedStream(file, u"Data", &streams->data, &found);
}

enum class Ending { kParagraph, kCell, kRow };

// What a story's paragraphs need besides their text and properties: the
// lists that label them, and the notes that references in them stand for.
struct StoryExtras {
  const Word97Lists* lists = nullptr;
  ListCounter counter;
  const std::vector<NoteReference>* notes = nullptr;  // sorted by CP
  size_t next_note = 0;
  NoteNumbers numbers;
  std::function<std::vector<Block>(const NoteReference&)> read_note;
  Document* notes_out = nullptr;  // receives each note's text at its reference
};

// A reference shows its number, or nothing where the author's own mark
// follows as text; the note's text is read then, so notes keep the order of
// their references.
void AddNote(const NoteReference& reference, StoryExtras& extras, Paragraph* paragraph) {
  Note note;
  note.custom_mark = !reference.numbered;
  if (reference.numbered) note.mark = extras.numbers.Next(reference.endnote);
  note.blocks = extras.read_note(reference);
  paragraph->inlines.push_back(
      {reference.endnote ? Inline::Kind::kEndnoteReference : Inline::Kind::kFootnoteReference,
       note.mark, note.custom_mark});
  (reference.endnote ? extras.notes_out->endnotes : extras.notes_out->footnotes)
      .push_back(std::move(note));
}

// Appends the characters [start, end) of `text` to `paragraph`, with the
// references of notes where they stand.
void AppendCharacters(std::u16string_view text, uint32_t start, uint32_t end, TextFilter& filter,
                      StoryExtras& extras, Paragraph* paragraph) {
  while (extras.notes != nullptr && extras.next_note < extras.notes->size() &&
         (*extras.notes)[extras.next_note].cp < end) {
    const NoteReference& reference = (*extras.notes)[extras.next_note++];
    if (reference.cp < start) continue;
    filter.Append(text.substr(start, reference.cp - start), paragraph);
    AddNote(reference, extras, paragraph);
    start = reference.cp;  // Word's 0x02 there shows nothing; an author's mark shows as text
  }
  filter.Append(text.substr(start, end - start), paragraph);
}

// What a paragraph ends. At depth 1 a cell ends with 0x07, and a row with
// 0x07 marked sprmPFTtp; deeper down a 0x0D marked sprmPFInnerTableCell
// ends a cell and one marked sprmPFInnerTtp a row.
Ending EndingOf(const TableMarks& marks, char16_t mark) {
  if (marks.depth == 1 && mark == kCellMark) return marks.row_end ? Ending::kRow : Ending::kCell;
  if (marks.depth > 1 && marks.inner_row_end) return Ending::kRow;
  if (marks.depth > 1 && marks.inner_cell_end) return Ending::kCell;
  return Ending::kParagraph;
}

// Walks the paragraphs in order, handing each to the table assembler as
// content, a cell end or a row end. `sprm_budget`, linear in the file's
// size, bounds the work a hostile file can cause.
Status AssembleStory(const std::vector<ParagraphSpan>& paragraphs, std::u16string_view text,
                     const PieceTable& pieces, std::string_view data, uint64_t* sprm_budget,
                     StoryExtras& extras, Document* out) {
  TableAssembler assembler(out);
  TextFilter filter;
  std::vector<Sprm> sprms;
  for (const ParagraphSpan& span : paragraphs) {
    if (!ParagraphSprms(span, pieces, data, sprm_budget, &sprms)) {
      return Status(ErrorNumber::kCorruptDocument,
                    Tr("The document's paragraph properties are damaged: far more of them than "
                       "the file could hold."));
    }
    TableMarks marks = ReadTableMarks(sprms);
    Ending ending = EndingOf(marks, span.mark < text.size() ? text[span.mark] : kParagraphMark);
    if (ending == Ending::kRow) {
      filter.CloseFields();
      assembler.EndRow(marks.depth, ReadRowDefinition(sprms));
      continue;
    }
    Paragraph paragraph;
    if (extras.lists != nullptr) {
      paragraph.list_label = extras.lists->Label(span.istd, sprms, extras.counter);
    }
    AppendCharacters(text, span.start, span.mark, filter, extras, &paragraph);
    if (ending == Ending::kCell) {
      filter.CloseFields();
      assembler.EndCell(marks.depth, std::move(paragraph));
    } else {
      assembler.AddParagraph(marks.depth, std::move(paragraph));
    }
  }
  assembler.Finish();
  return Status();
}

// The whole text, the main text and the stories after it, with its
// paragraphs: where the notes' texts lie.
struct AllStories {
  PieceTable pieces;
  std::u16string text;
  std::vector<ParagraphSpan> paragraphs;
};

// Reads the stories up to the end of the last note's text. False when the
// piece table does not reach that far.
bool ReadAllStories(const Streams& streams, const Fib& fib, const std::vector<NoteReference>& notes,
                    const std::vector<FkpRun>& character_runs,
                    const std::vector<FkpRun>& paragraph_runs, AllStories* out) {
  uint32_t length = 0;
  for (const NoteReference& note : notes) length = std::max(length, note.text_end);
  if (!ReadPieceTable(streams.table, fib.piece_table, length, streams.word_document.size(),
                      &out->pieces)
           .ok()) {
    return false;
  }
  out->text = ReadMainText(streams.word_document, out->pieces);
  ResolveSymbols(character_runs, out->pieces, &out->text);
  out->paragraphs = FindParagraphs(paragraph_runs, out->pieces, out->text);
  return true;
}

// A note's text as blocks: the paragraphs whose marks lie in it, tables
// included, its lists counted on their own.
std::vector<Block> ReadNote(const NoteReference& note, const AllStories& stories,
                            const Word97Lists& lists, std::string_view data,
                            uint64_t* sprm_budget) {
  std::vector<ParagraphSpan> paragraphs;
  for (const ParagraphSpan& span : stories.paragraphs) {
    if (span.mark < note.text_start || span.mark >= note.text_end) continue;
    paragraphs.push_back(span);
    paragraphs.back().start = std::max(span.start, note.text_start);
  }
  // A note whose paragraph marks no paragraph run ends is one paragraph.
  uint32_t end = std::min<uint32_t>(note.text_end, static_cast<uint32_t>(stories.text.size()));
  if (paragraphs.empty() && note.text_start < end) {
    uint32_t mark = stories.text[end - 1] == kParagraphMark ? end - 1 : end;
    paragraphs.push_back({note.text_start, mark, {}, 0, 0});
  }
  StoryExtras extras;
  extras.lists = &lists;
  Document note_document;
  if (!AssembleStory(paragraphs, stories.text, stories.pieces, data, sprm_budget, extras,
                     &note_document)
           .ok()) {
    return {};
  }
  return std::move(note_document.body);
}

}  // namespace

Status ReadWord97Document(std::string_view file_bytes, Document* out) {
  *out = Document();
  Streams streams;
  Fib fib;
  QM_RETURN_IF_ERROR(ReadStreams(file_bytes, &streams, &fib));
  PieceTable pieces;
  QM_RETURN_IF_ERROR(ReadPieceTable(streams.table, fib.piece_table, fib.main_text_length,
                                    streams.word_document.size(), &pieces));
  std::u16string text = ReadMainText(streams.word_document, pieces);
  std::vector<FkpRun> character_runs =
      ReadFkpRuns(FkpKind::kCharacter, streams.word_document, streams.table, fib.character_bins);
  ResolveSymbols(character_runs, pieces, &text);
  std::vector<FkpRun> paragraph_runs =
      ReadFkpRuns(FkpKind::kParagraph, streams.word_document, streams.table, fib.paragraph_bins);
  Word97Lists lists(streams.table, fib);
  std::vector<NoteReference> notes = ReadNoteReferences(streams.table, fib);
  AllStories stories;
  if (!notes.empty() &&
      !ReadAllStories(streams, fib, notes, character_runs, paragraph_runs, &stories)) {
    notes.clear();  // texts out of reach: the references show nothing, as before
  }
  uint64_t sprm_budget = kSprmBudgetBase + kSprmBudgetPerByte * file_bytes.size();
  StoryExtras extras;
  extras.lists = &lists;
  extras.notes = &notes;
  extras.notes_out = out;
  extras.read_note = [&](const NoteReference& note) {
    return ReadNote(note, stories, lists, streams.data, &sprm_budget);
  };
  Status status = AssembleStory(FindParagraphs(paragraph_runs, pieces, text), text, pieces,
                                streams.data, &sprm_budget, extras, out);
  if (!status.ok()) *out = Document();
  return status;
}

}  // namespace quillmere::document
