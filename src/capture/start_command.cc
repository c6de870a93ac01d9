#include "capture/start_command.h"

#include "convert/ustring.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "platform/codepage.h"
#include "platform/file_numbers.h"
#include "platform/filename.h"
#include "platform/limits.h"

namespace quillmere {

namespace {

// Reads test.html whole through a free file number and decodes it from code
// page 936.
Status ReadPage(const std::string& path, files::FileNumbers& numbers, std::u16string* page) {
  const int f = numbers.FreeFile();
  QM_RETURN_IF_ERROR(numbers.OpenForBinary(f, path, kMaxPageBytes));
  uint64_t length = 0;
  Status status = numbers.Length(f, &length);
  std::string bytes;
  if (status.ok()) status = numbers.Get(f, static_cast<size_t>(length), &bytes);
  Status closed = numbers.Close(f);
  QM_RETURN_IF_ERROR(status);
  QM_RETURN_IF_ERROR(closed);
  *page = codepage::DecodeCp936(bytes);
  return Status();
}

// Writes strTable to tabletest.html as file number 1, as it stands.
Status WriteTableTest(const std::string& path, const std::u16string& strTable,
                      files::FileNumbers& numbers) {
  QM_RETURN_IF_ERROR(numbers.OpenForOutput(1, path));
  Status status =
      numbers.Print(1, codepage::EncodeCp936(strTable, codepage::Unencodable::kQuestionMark));
  Status closed = numbers.Close(1);
  QM_RETURN_IF_ERROR(status);
  return closed;
}

Status TableNotInDocument(int32_t table, size_t tables) {
  std::string count = tables == 0 ? "没有表格" : "只有" + std::to_string(tables) + "个表格";
  return Status(ErrorNumber::kTableNotInDocument, "test.doc 中" + count + "，无法选取第" +
                                                      std::to_string(table) +
                                                      "个表格。dt_table 未作改动。");
}

// Steps after the database is open and dt_table emptied, up to the
// conversion: the web page, the selected table, tabletest.html.
Status SaveAndSelect(StartContext& window, files::FileNumbers& numbers) {
  const std::u16string page_path = files::WebPageFileName(window.app_folder);
  WordDocument* document = nullptr;
  QM_RETURN_IF_ERROR(window.FramerControl1.ActiveDocument(&document));
  QM_RETURN_IF_ERROR(document->SaveAs(page_path, WordDocument::kFormatHtml));
  QM_RETURN_IF_ERROR(window.FramerControl1.Close());
  QM_RETURN_IF_ERROR(window.FramerControl1.Close());

  std::u16string page;
  QM_RETURN_IF_ERROR(ReadPage(files::NativePath(page_path), numbers, &page));
  const std::vector<std::u16string_view> pieces = text::Split(page, u"<table ");

  if (window.controls.Combo1ListIndex() == -1) window.controls.SetCombo1ListIndex(0);
  const int32_t table = window.controls.Combo1ItemData(window.controls.Combo1ListIndex());
  window.form.strTableFirstLine = window.controls.Check1Value() != 1;
  const size_t tables = pieces.empty() ? 0 : pieces.size() - 1;
  if (table < 1 || static_cast<size_t>(table) > tables) return TableNotInDocument(table, tables);
  window.form.strTable.assign(pieces[static_cast<size_t>(table)]);

  return WriteTableTest(files::NativePath(files::TableFileName(window.app_folder)),
                        window.form.strTable, numbers);
}

}  // namespace

Status Command1_Click(StartContext& window) {
  QM_RETURN_IF_ERROR(window.FramerControl1.Open(files::DocumentFileName(window.app_folder), true,
                                                u"Word.Document", u"", u""));
  files::FileNumbers numbers(window.file_system);
  Status status = OpenDataMdb(window.form, window.app_folder);
  if (status.ok()) {
    status = ReplaceDtTable(window.form, [&] {
      QM_RETURN_IF_ERROR(SaveAndSelect(window, numbers));
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
