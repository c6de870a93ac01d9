// quillmere convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8]
// [--keep-text] [--progress] [--connection STRING]: one run of the conversion
// on a table's markup, as the start command runs it once it has the table:
// data.mdb in DIR (or the data source DIR/data.dsn or STRING names) opened, dt_table
// emptied and refilled in one transaction, DIR/cc.html written.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <optional>

#include "app/cli.h"
#include "app/stderr_progress.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/encoding/codepage.h"
#include "platform/file_system.h"
#include "platform/limits.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::cli {

namespace {

constexpr char kUsage[] =
    N_("usage: quillmere convert MARKUP_FILE [--folder DIR] [--first-row-data] [--utf8]\n"
       "                         [--keep-text] [--progress] [--connection STRING]\n"
       "  Converts the table markup in MARKUP_FILE (code page 936; UTF-8 with --utf8;\n"
       "  UTF-8 or UTF-16 by a byte-order mark; tabletest.html repeats a run) into\n"
       "  dt_table of DIR/data.mdb (DIR: the current folder by default) and writes\n"
       "  DIR/cc.html. Lines that end in a line feed alone count as CR LF.\n"
       "  The table's first row is a header and is skipped unless --first-row-data is\n"
       "  given. --keep-text stores each cell's text as a person reads it (case kept,\n"
       "  character references decoded, white space folded) rather than lowercased\n"
       "  without blanks. --progress shows the status texts on standard error.\n"
       "  When DIR holds data.dsn (an ODBC file data source), dt_table is the one of\n"
       "  that data source; --connection names another (\"Provider=MSDASQL;DSN=...\").\n");

// The encoding a byte-order mark at the start of `head` names, and the
// mark's length; none: `fallback`.
struct Marked {
  codepage::TextDecoder::Encoding encoding;
  size_t mark_length = 0;
};
Marked ByteOrderMark(std::string_view head, codepage::TextDecoder::Encoding fallback) {
  using Encoding = codepage::TextDecoder::Encoding;
  if (head.substr(0, 3) == "\xEF\xBB\xBF") return {Encoding::kUtf8, 3};
  if (head.substr(0, 2) == "\xFF\xFE") return {Encoding::kUtf16Le, 2};
  if (head.substr(0, 2) == "\xFE\xFF") return {Encoding::kUtf16Be, 2};
  return {fallback, 0};
}

// Markup whose lines end in a line feed alone (as files saved on this
// system do) has each read as CR LF, the line end of the pages the
// conversion is made for, so that the line breaks removed from a cell's
// text are removed from it too. Markup that holds a CR LF anywhere is left
// as it is. Widened in place, from the end.
void LineFeedsAsCrLf(std::u16string* text) {
  if (text->find(u"\r\n") != std::u16string::npos) return;
  const size_t feeds = static_cast<size_t>(std::count(text->begin(), text->end(), u'\n'));
  if (feeds == 0) return;
  size_t from = text->size();
  text->resize(text->size() + feeds);
  for (size_t to = text->size(); from > 0;) {
    const char16_t c = (*text)[--from];
    (*text)[--to] = c;
    if (c == u'\n') (*text)[--to] = u'\r';
  }
}

// The markup file as text: by its byte-order mark (UTF-8, or UTF-16 in
// either byte order, as Word saves "Unicode" pages; the mark is dropped),
// else UTF-8 with --utf8 and code page 936 without. A byte that starts no
// character of that encoding stops the command, named by its offset in the
// file, rather than becoming U+FFFD. The file is decoded as it is read, so
// no copy of its bytes is held.
Status ReadMarkup(const std::string& markup_file, bool utf8, files::FileSystem& file_system,
                  std::u16string* strTable) {
  using Encoding = codepage::TextDecoder::Encoding;
  std::optional<codepage::TextDecoder> decoder;
  Marked marked{utf8 ? Encoding::kUtf8 : Encoding::kCp936};
  strTable->clear();
  QM_RETURN_IF_ERROR(file_system.ReadWholeFileInPieces(
      markup_file, kMaxPageBytes, [&](std::string_view piece, uint64_t file_size) {
        if (!decoder) {
          marked = ByteOrderMark(piece, marked.encoding);
          piece.remove_prefix(marked.mark_length);
          decoder.emplace(marked.encoding, strTable);
          decoder->Reserve(static_cast<size_t>(file_size));
        }
        decoder->Decode(piece);
        return Status();
      }));
  if (!decoder) return Status();  // an empty file
  decoder->Finish();
  if (decoder->first_invalid() == codepage::kAllValid) {
    LineFeedsAsCrLf(strTable);
    return Status();
  }
  strTable->clear();
  const size_t offset = decoder->first_invalid() + marked.mark_length;
  char byte[8];
  std::snprintf(byte, sizeof byte, "0x%02X", decoder->first_invalid_byte());
  const bool utf16 = marked.encoding == Encoding::kUtf16Le || marked.encoding == Encoding::kUtf16Be;
  const char* message =
      utf16 ? N_("\"%1$s\" is not UTF-16 text: the bytes at offset %2$s (%3$s ...) are no "
                 "character, though the file starts with a UTF-16 byte-order mark. Save it "
                 "again as Unicode or UTF-8.")
      : marked.mark_length > 0
          ? N_("\"%1$s\" is not UTF-8 text: the byte at offset %2$s (%3$s) starts no "
               "character, though the file starts with a UTF-8 byte-order mark. Save it as "
               "UTF-8.")
      : utf8 ? N_("\"%1$s\" is not UTF-8 text: the byte at offset %2$s (%3$s) starts no "
                  "character. Save it as UTF-8, or give it in code page 936 without --utf8.")
             : N_("\"%1$s\" is not code page 936 (GBK) text: the byte at offset %2$s (%3$s) "
                  "starts no character. Save it in code page 936, or as UTF-8 and give --utf8.");
  return Status(ErrorNumber::kInvalidText, Fill(Tr(message), markup_file, offset, byte));
}

FolderUsed ConvertFolderUsed(const std::u16string& folder, bool given) {
  const std::string where = files::NativePath(folder);
  if (given) return {folder, Fill(Tr("quillmere convert worked in the folder %s."), where)};
  return {folder, Fill(Tr("quillmere convert worked in the current folder %s; give another: "
                          "--folder DIR"),
                       where)};
}

}  // namespace

int Convert(const std::vector<std::string>& args) {
  if (AsksForHelp(args)) return Helped(kUsage);
  std::string problem;
  std::optional<Arguments> options =
      ParseArguments(args, {"--first-row-data", "--utf8", "--keep-text", "--progress"},
                     {"--folder", "--connection"}, &problem);
  if (options && options->operand.value_or("").empty()) problem = Tr("no markup file given.");
  if (!problem.empty()) return Misused(problem, kUsage);

  FormState form;
  form.strTableFirstLine = options->Has("--first-row-data");
  SetFormOptions(*options, &form);
  const std::u16string folder = FolderArgument(options->Value("--folder"));
  NoBrowser WebBrowser1;
  StderrProgress Label1(options->Has("--progress"));
  files::FileSystem& disk = files::Disk();
  Status status = ReadMarkup(*options->operand, options->Has("--utf8"), disk, &form.strTable);
  if (status.ok()) status = OpenDataMdb(form, folder, disk);
  if (status.ok()) {
    status = ReplaceDtTable(
        form, [&] { return Command3_Click(form, folder, WebBrowser1, Label1, disk); });
  }
  Label1.Done();
  return Reported(status, form, ConvertFolderUsed(folder, !options->Value("--folder").empty()));
}

}  // namespace quillmere::cli
