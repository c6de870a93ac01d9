#include "output/conversion_command.h"

#include <set>

#include "convert/conversion.h"
#include "convert/ustring.h"
#include "output/dt_table.h"
#include "output/insert_statements.h"
#include "output/preview_page.h"
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

// Passes every cell that fits dt_table on to `next`: the first row with more
// cells than dt_table has fields fails at its end, before its statement runs,
// saying how wide the table is rather than which column SQLite cannot find.
class WidthCheck : public TableSink {
 public:
  WidthCheck(TableSink& next, int64_t fields, std::u16string_view folder)
      : next_(next), fields_(fields), folder_(folder) {}

  Status BeginRows() override { return next_.BeginRows(); }
  Status Cell(int64_t k, std::u16string_view strCellText) override {
    cells_ = k + 1;
    return k < fields_ ? next_.Cell(k, strCellText) : Status();
  }
  Status EndRow(int64_t i) override {
    if (cells_ > fields_) return DtTableTooNarrow(folder_, cells_, fields_);
    cells_ = 0;
    return next_.EndRow(i);
  }
  Status Finish() override { return next_.Finish(); }

 private:
  TableSink& next_;
  const int64_t fields_;
  const std::u16string_view folder_;
  int64_t cells_ = 0;
};

// How many columns field0, field1, ... dt_table has, counted up to the first
// one it lacks.
Status DtTableFields(adodb::Connection& cn, int64_t* fields) {
  std::unique_ptr<adodb::Recordset> columns;
  QM_RETURN_IF_ERROR(
      cn.Execute(u"select * from dt_table where 1=0", adodb::kOptionUnspecified, &columns));
  std::set<std::u16string> names;
  for (size_t f = 0; f < columns->FieldCount(); ++f) names.insert(columns->FieldName(f));
  *fields = 0;
  while (names.count(u"field" + text::FromNumber(*fields)) != 0) ++*fields;
  return Status();
}

}  // namespace

Status Command3_Click(FormState& form, std::u16string_view app_folder, Browser& WebBrowser1,
                      Progress& Label1, files::FileSystem& file_system) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  InsertStatements statements(cn, form.strTableFirstLine, form.cell_texts);
  PreviewPage preview(form.strTableFirstLine, form.cell_texts);
  StatementsAndPreview sink(statements, preview);
  int64_t fields = 0;
  QM_RETURN_IF_ERROR(DtTableFields(cn, &fields));
  WidthCheck checked(sink, fields, app_folder);
  // The page is written as the rows come, to a file beside cc.html that
  // takes its place once the rest of the page follows them.
  auto convert_and_write_page = [&](const files::FileSystem::PieceWriter& write) {
    preview.StreamTo(write);
    QM_RETURN_IF_ERROR(ConvertTable(form.strTable, checked, Label1, form.cell_texts));
    QM_RETURN_IF_ERROR(cn.Execute(u"select * from dt_table", adodb::kOptionUnspecified, &form.rs));
    // Asked for before the page takes its place: the pane loads it later.
    WebBrowser1.Navigate2(files::PreviewTarget(app_folder));
    for (std::string_view piece : preview.PagePieces(statements.log())) {
      QM_RETURN_IF_ERROR(write(piece));
    }
    return Status();
  };
  QM_RETURN_IF_ERROR(file_system.ReplaceWholeFileInPieces(
      files::NativePath(files::PreviewFileName(app_folder)), convert_and_write_page));
  Label1.ShowStatus(u"数据库存在形式与CC.html显示的效果类似");
  return Status();
}

}  // namespace quillmere
