#include "output/conversion_command.h"

#include "convert/conversion.h"
#include "output/dt_table.h"
#include "output/insert_statements.h"
#include "output/preview_page.h"
#include "output/width_check.h"
#include "platform/program_paths.h"

namespace quillmere {

namespace {

// Hands every cell to the statements, then to the preview; every row end to
// the preview first, then to the statements (which execute).
class StatementsAndPreview : public TableSink {
 public:
  StatementsAndPreview(InsertStatements& statements, PreviewPage& preview)
      : statements_(statements), preview_(preview) {}

  Status BeginRows() override {
    QM_RETURN_IF_ERROR(statements_.BeginRows());
    return preview_.BeginRows();
  }
  Status Cell(int64_t k, std::u16string_view strCellText) override {
    QM_RETURN_IF_ERROR(statements_.Cell(k, strCellText));
    return preview_.Cell(k, strCellText);
  }
  Status EndRow(int64_t i) override {
    QM_RETURN_IF_ERROR(preview_.EndRow(i));
    return statements_.EndRow(i);
  }
  Status Finish() override {
    QM_RETURN_IF_ERROR(statements_.Finish());
    return preview_.Finish();
  }

 private:
  InsertStatements& statements_;
  PreviewPage& preview_;
};

}  // namespace

Status Command3_Click(FormState& form, std::u16string_view app_folder, Browser& WebBrowser1,
                      Progress& Label1, files::FileSystem& file_system) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  InsertStatements statements(cn, form.strTableFirstLine, form.cell_texts);
  PreviewPage preview(form.strTableFirstLine, form.cell_texts);
  StatementsAndPreview sink(statements, preview);
  int64_t fields = 0;
  QM_RETURN_IF_ERROR(TableFields(cn, u"dt_table", &fields));
  WidthCheck checked(sink, fields, app_folder);
  // The page is written as the rows come, to a file beside cc.html that
  // takes its place once the run's transaction has committed.
  auto convert_and_write_page = [&](const files::FileSystem::PieceWriter& write) {
    preview.StreamTo(write);
    QM_RETURN_IF_ERROR(ConvertTable(form.strTable, checked, Label1, form.cell_texts));
    return ShowStoredRows(form, app_folder, WebBrowser1, write,
                          preview.PagePieces(statements.log()));
  };
  QM_RETURN_IF_ERROR(form.preview_page.Write(
      file_system, files::NativePath(files::PreviewFileName(app_folder)), convert_and_write_page));
  Label1.ShowStatus(u"数据库存在形式与CC.html显示的效果类似");
  return Status();
}

Status ShowStoredRows(FormState& form, std::u16string_view app_folder, Browser& WebBrowser1,
                      const files::FileSystem::PieceWriter& write,
                      const std::vector<std::string_view>& rest_of_page) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  QM_RETURN_IF_ERROR(cn.Execute(u"select * from dt_table", adodb::kOptionUnspecified, &form.rs));
  // Asked for before the page takes its place: the pane loads it later.
  WebBrowser1.Navigate2(files::PreviewTarget(app_folder));
  for (std::string_view piece : rest_of_page) QM_RETURN_IF_ERROR(write(piece));
  return Status();
}

}  // namespace quillmere
