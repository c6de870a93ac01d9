#include "capture/start_command.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "capture/document_list.h"
#include "capture/page_tables.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"
#include "platform/limits.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// Reads test.html back, decoding it from code page 936 as it is read, a
// piece at a time: the page's bytes never stand in memory beside its text.
Status ReadPage(const std::string& path, files::FileSystem& file_system, std::u16string* page) {
  page->clear();
  codepage::TextDecoder decoder(codepage::TextDecoder::Encoding::kCp936, page);
  bool reserved = false;
  QM_RETURN_IF_ERROR(file_system.ReadWholeFileInPieces(
      path, kMaxPageBytes, [&](std::string_view piece, uint64_t file_size) {
        if (!reserved) decoder.Reserve(static_cast<size_t>(file_size));
        reserved = true;
        decoder.Decode(piece);
        return Status();
      }));
  decoder.Finish();
  return Status();
}

// Writes strTable to tabletest.html as it stands, encoded a piece at a time
// as it is written, so that its bytes never stand in memory whole. A piece
// never ends between the halves of a surrogate pair.
Status WriteTableTest(const std::string& path, std::u16string_view strTable,
                      files::FileSystem& file_system) {
  constexpr size_t kPieceUnits = size_t{1} << 18;
  return file_system.ReplaceWholeFileInPieces(
      path, [&](const files::FileSystem::PieceWriter& write) {
        std::string bytes;
        for (size_t at = 0; at < strTable.size();) {
          size_t count = std::min(kPieceUnits, strTable.size() - at);
          if (at + count < strTable.size() && unicode::IsHighSurrogate(strTable[at + count - 1])) {
            --count;
          }
          bytes.clear();
          codepage::AppendCp936(strTable.substr(at, count), codepage::Unencodable::kQuestionMark,
                                &bytes);
          QM_RETURN_IF_ERROR(write(bytes));
          at += count;
        }
        return Status();
      });
}

// Why test.doc could not be opened when it is not in the folder at all:
// where to put it, and the documents that lie there under other names.
// Otherwise `failure` as it is.
Status NoTestDoc(const StartContext& window, const Status& failure) {
  const std::string folder = files::NativePath(window.app_folder);
  std::vector<std::string> names;
  if (!window.file_system.ListFolder(folder, &names).ok()) {
    return Status(failure.number(), Fill(Tr("The folder \"%s\" does not exist."), folder));
  }
  if (std::find(names.begin(), names.end(), "test.doc") != names.end()) return failure;
  std::string description =
      Fill(Tr("There is no test.doc in \"%s\": put the Word document into that folder as "
              "test.doc."),
           folder);
  std::vector<std::string> documents;
  std::copy_if(names.begin(), names.end(), std::back_inserter(documents), IsDocumentName);
  if (!documents.empty()) {
    std::sort(documents.begin(), documents.end());
    std::string listed;
    for (const std::string& name : documents) listed += (listed.empty() ? "" : ", ") + name;
    description = Sentences(
        description, Fill(Tr("The folder holds %s: rename the document you want to "
                             "test.doc (a .docx, .rtf or .odt is read under that name too)."),
                          listed));
  }
  return Status(failure.number(), description);
}

// Steps after the database is open and dt_table emptied, up to the
// conversion: the web page, the selected table, tabletest.html.
Status SaveAndSelect(StartContext& window) {
  const std::u16string page_path = files::WebPageFileName(window.app_folder);
  WordDocument* document = nullptr;
  QM_RETURN_IF_ERROR(window.FramerControl1.ActiveDocument(&document));
  QM_RETURN_IF_ERROR(document->SaveAs(page_path, WordDocument::kFormatHtml));
  QM_RETURN_IF_ERROR(window.FramerControl1.Close());
  QM_RETURN_IF_ERROR(window.FramerControl1.Close());

  std::u16string page;
  QM_RETURN_IF_ERROR(ReadPage(files::NativePath(page_path), window.file_system, &page));

  const int32_t table = SelectedTable(window.controls);
  window.form.strTableFirstLine = window.controls.Check1Value() != 1;
  const std::string name =
      window.document.empty() ? "test.doc" : DocumentName(files::NativePath(window.document));
  QM_RETURN_IF_ERROR(TakeTable(page, table, name, &window.form.strTable));

  return WriteTableTest(files::NativePath(files::TableFileName(window.app_folder)),
                        window.form.strTable, window.file_system);
}

}  // namespace

int32_t SelectedTable(StartControls& controls) {
  if (controls.Combo1ListIndex() == -1) controls.SetCombo1ListIndex(0);
  return controls.Combo1ItemData(controls.Combo1ListIndex());
}

Status Command1_Click(StartContext& window) {
  const bool test_doc = window.document.empty();
  Status opened = window.FramerControl1.Open(
      test_doc ? files::DocumentFileName(window.app_folder) : window.document, true,
      u"Word.Document", u"", u"");
  if (opened.number() == ErrorNumber::kFileNotFound && test_doc) return NoTestDoc(window, opened);
  QM_RETURN_IF_ERROR(opened);
  Status status = OpenDataMdb(window.form, window.app_folder, window.file_system);
  if (status.ok()) {
    status = ReplaceDtTable(window.form, [&] {
      QM_RETURN_IF_ERROR(SaveAndSelect(window));
      return Command3_Click(window.form, window.app_folder, window.WebBrowser1, window.Label1,
                            window.file_system);
    });
  }
  // A run that failed with the document still open leaves no document behind;
  // the run's own failure is the one to report.
  if (!status.ok()) (void)window.FramerControl1.Close();
  return status;
}

}  // namespace quillmere
