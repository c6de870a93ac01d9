#include "capture/collect_command.h"

#include <algorithm>

#include "capture/document_list.h"
#include "capture/page_tables.h"
#include "convert/conversion.h"
#include "output/collected_tables.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_origin.h"
#include "output/dt_table.h"
#include "output/stored_tables.h"
#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"
#include "platform/messages.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// One document of the collection, and what its first pass found.
struct Document {
  std::string path;  // native
  std::string name;  // the file name
  Status failure;
  int64_t columns = 0;
};

// The caller's yields, so the window stays responsive and can stop the
// collection, without the conversion's status texts: the label names the
// document instead.
class YieldsOnly : public Progress {
 public:
  explicit YieldsOnly(Progress& progress) : progress_(progress) {}
  void ShowStatus(std::u16string_view /*text*/) override {}
  Status Yield() override { return progress_.Yield(); }

 private:
  Progress& progress_;
};

// "Reading 3/50: NAME" (or the `format` given), then a yield.
Status ShowDocument(Progress& label, const char* format, size_t n, size_t of,
                    const std::string& name) {
  label.ShowStatus(unicode::FromUtf8(Fill(Tr(format), n, of, name)));
  return label.Yield();
}

// Table `table` of the document, read by `host`, its page made in memory
// and decoded from code page 936 as a run reads test.html back.
Status ReadTable(DocumentHost& host, const Document& document, int32_t table,
                 std::u16string* strTable) {
  QM_RETURN_IF_ERROR(
      host.Open(files::ProgramPath(document.path), true, u"Word.Document", u"", u""));
  WordDocument* open = nullptr;
  std::string bytes;
  Status status = host.ActiveDocument(&open);
  if (status.ok()) status = open->WebPage(&bytes);
  Status closed = host.Close();
  QM_RETURN_IF_ERROR(status);
  QM_RETURN_IF_ERROR(closed);
  std::u16string page = codepage::DecodeCp936(bytes);
  std::string().swap(bytes);
  return TakeTable(page, table, document.name, strTable, TableTaker::kCollection);
}

// The first pass on one document: its table read and converted, nothing
// stored; its width noted.
Status Measure(StartContext& window, int32_t table, Document& document) {
  std::u16string strTable;
  QM_RETURN_IF_ERROR(ReadTable(window.FramerControl1, document, table, &strTable));
  TableMeasure measure(window.form.strTableFirstLine);
  YieldsOnly quiet(window.Label1);
  QM_RETURN_IF_ERROR(ConvertTable(strTable, measure, quiet, window.form.cell_texts));
  document.columns = measure.widest();
  return Status();
}

// Every bad document, with its numbered failure, in one failure: the first
// one's number. While there are good ones too, it says how to store those.
Status BadDocuments(const std::vector<Document>& documents) {
  std::string listed;
  const Document* first = nullptr;
  size_t bad = 0;
  for (const Document& document : documents) {
    if (document.failure.ok()) continue;
    if (first == nullptr) first = &document;
    ++bad;
    listed += "\n" + Fill(Tr("%1$s: error %2$s: %3$s"), document.name, document.failure.code(),
                          document.failure.description());
  }
  std::string description =
      Fill(TrPlural("%1$s of the %2$s document cannot be collected, so nothing was stored and "
                    "dt_table is unchanged:",
                    "%1$s of the %2$s documents cannot be collected, so nothing was stored and "
                    "dt_table is unchanged:",
                    documents.size()),
           bad, documents.size()) +
      listed;
  if (bad < documents.size()) {
    description += "\n";
    description += messages::CurrentReader() == messages::Reader::kWindow
                       ? Tr("Mend them or leave them out of the drop, then try again.")
                       : Tr("Mend them or leave them out, or give --skip-failures to store the "
                            "others.");
  }
  return Status(first->failure.number(), description);
}

// A table wider than dt_origin can record: it holds three columns of its
// own beside the values, within the most columns a table can have.
Status TooWideToCollect(const Document& widest) {
  const std::string what =
      Fill(Tr("The table of %1$s has %2$s columns, but a collection stores at most %3$s: "
              "dt_origin, which says where each row came from, holds three columns of its own "
              "beside the values, and a table has at most %4$s."),
           widest.name, widest.columns, kMaxOriginFields, kMaxColumns);
  return Status(ErrorNumber::kTooManyColumns,
                Sentences(what, messages::CurrentReader() == messages::Reader::kWindow
                                    ? Tr("Take such a table one document at a time, as test.doc.")
                                    : Tr("Take such a table one document at a time: quillmere "
                                         "run DOCUMENT.")));
}

// The second pass, inside the transaction that emptied dt_table.
Status StoreAll(StartContext& window, const std::vector<Document>& documents,
                const CollectionShape& shape, bool origin_exists, StoredTablesFound stored_tables,
                Collected* collected) {
  adodb::Connection& cn = *window.form.cn;
  if (!origin_exists) {
    QM_RETURN_IF_ERROR(CreateDtOrigin(cn, std::min<int64_t>(shape.fields, kMaxOriginFields)));
  }
  QM_RETURN_IF_ERROR(cn.Execute(u"delete from dt_origin", adodb::kOptionUnspecified));
  CollectedTables out(cn, shape);
  YieldsOnly quiet(window.Label1);
  const size_t good = documents.size() - collected->left_out.size();
  size_t n = 0;
  for (const Document& document : documents) {
    if (!document.failure.ok()) continue;
    QM_RETURN_IF_ERROR(
        ShowDocument(window.Label1, N_("Storing %1$s/%2$s: %3$s"), ++n, good, document.name));
    std::u16string strTable;
    Status stored = ReadTable(window.FramerControl1, document, shape.table, &strTable);
    if (stored.ok()) stored = out.Add(unicode::FromUtf8(document.name), strTable, quiet);
    if (stored.number() == ErrorNumber::kRunCancelled) return stored;
    if (!stored.ok()) {
      return Status(stored.number(),
                    Fill(Tr("Storing %1$s failed, so nothing was stored and dt_table is "
                            "unchanged: %2$s"),
                         document.name, stored.description()));
    }
  }
  for (const auto& [name, failure] : collected->left_out) {
    out.AddSkipped(unicode::FromUtf8(name), failure);
  }
  QM_RETURN_IF_ERROR(
      RecordStoredTable(cn, stored_tables, {"dt_table", "collect", out.header(), 0, 0}));
  collected->documents = good;
  QM_RETURN_IF_ERROR(window.form.preview_page.Write(
      window.file_system, files::NativePath(files::PreviewFileName(window.app_folder)),
      [&](const files::FileSystem::PieceWriter& write) {
        return ShowStoredRows(window.form, window.app_folder, window.WebBrowser1, write,
                              out.PagePieces());
      }));
  window.Label1.ShowStatus(u"数据库存在形式与CC.html显示的效果类似");
  return Status();
}

}  // namespace

Status CollectTables(StartContext& window, const std::vector<std::string>& paths,
                     bool skip_failures, Collected* collected) {
  *collected = Collected();
  // Emptying dt_table for no document at all would only lose its rows.
  if (paths.empty()) return Status(ErrorNumber::kFileNotFound, Tr("No document to collect."));
  const int32_t table = SelectedTable(window.controls);
  window.form.strTableFirstLine = window.controls.Check1Value() != 1;
  QM_RETURN_IF_ERROR(OpenDataMdb(window.form, window.app_folder, window.file_system));

  std::vector<Document> documents;
  for (const std::string& path : paths) documents.push_back({path, DocumentName(path), {}, 0});
  size_t n = 0;
  for (Document& document : documents) {
    QM_RETURN_IF_ERROR(ShowDocument(window.Label1, N_("Reading %1$s/%2$s: %3$s"), ++n,
                                    documents.size(), document.name));
    document.failure = Measure(window, table, document);
    if (document.failure.number() == ErrorNumber::kRunCancelled) return document.failure;
    if (!document.failure.ok()) collected->left_out.emplace_back(document.name, document.failure);
  }
  if (!collected->left_out.empty() &&
      (!skip_failures || collected->left_out.size() == documents.size())) {
    collected->left_out.clear();
    return BadDocuments(documents);
  }

  CollectionShape shape{
      table, window.form.strTableFirstLine, window.form.cell_texts, 1, 0, window.app_folder};
  const Document* widest = &documents.front();
  for (const Document& document : documents) {
    if (document.columns > widest->columns) widest = &document;
  }
  shape.columns = std::max<int64_t>(1, widest->columns);
  if (shape.columns > kMaxOriginFields) return TooWideToCollect(*widest);
  adodb::Connection& cn = *window.form.cn;
  // Asked before the transaction: on a server a statement that fails ends it.
  // Without dt_table, the transaction's first step fails as a run's does.
  bool origin_exists = false;
  const StoredTablesFound stored_tables = FindStoredTables(cn);
  if (TableFields(cn, u"dt_table", &shape.fields).ok()) {
    if (shape.columns > shape.fields) {
      return DtTableTooNarrow(window.app_folder, shape.columns, shape.fields);
    }
    QM_RETURN_IF_ERROR(CheckDtOrigin(cn, shape.columns, &origin_exists));
  }
  return ReplaceDtTable(window.form, [&] {
    return StoreAll(window, documents, shape, origin_exists, stored_tables, collected);
  });
}

}  // namespace quillmere
