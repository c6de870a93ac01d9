#include "platform/document/word97/reader.h"

#include <string>

#include "platform/document/word97/compound_file.h"
#include "platform/document/word97/fib.h"
#include "platform/document/word97/fkp.h"
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
                     const PieceTable& pieces, std::string_view data, uint64_t sprm_budget,
                     Document* out) {
  TableAssembler assembler(out);
  TextFilter filter;
  std::vector<Sprm> sprms;
  for (const ParagraphSpan& span : paragraphs) {
    if (!ParagraphSprms(span, pieces, data, &sprm_budget, &sprms)) {
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
    filter.Append(text.substr(span.start, span.mark - span.start), &paragraph);
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
  ResolveSymbols(
      ReadFkpRuns(FkpKind::kCharacter, streams.word_document, streams.table, fib.character_bins),
      pieces, &text);
  std::vector<FkpRun> paragraph_runs =
      ReadFkpRuns(FkpKind::kParagraph, streams.word_document, streams.table, fib.paragraph_bins);
  Status status =
      AssembleStory(FindParagraphs(paragraph_runs, pieces, text), text, pieces, streams.data,
                    kSprmBudgetBase + kSprmBudgetPerByte * file_bytes.size(), out);
  if (!status.ok()) *out = Document();
  return status;
}

}  // namespace quillmere::document
