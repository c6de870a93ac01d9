#include "capture/collect_command.h"

#include <algorithm>
#include <optional>

#include "capture/document_list.h"
#include "capture/many_documents.h"
#include "capture/page_tables.h"
#include "convert/conversion.h"
#include "output/collected_tables.h"
#include "output/conversion_command.h"
#include "output/conversion_run.h"
#include "output/dt_origin.h"
#include "output/dt_table.h"
#include "output/stored_documents.h"
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
  std::string path;    // native
  std::string name;    // as DocumentName gives it
  std::string digest;  // DocumentDigest
  Standing standing = Standing::kNew;
  Status failure;
  int64_t columns = 0;
};

// What an append found stored, and what it does with it.
struct Appending {
  int64_t origin_fields = 0;  // dt_origin's value columns; 0: there is none
  size_t stored = 0;          // documents stored before
  AppendCounts counts;
  std::vector<std::string> gone;  // stored, not named
  bool prune = false;
  // The note of the collection added to, whose header is kept.
  std::optional<StoredTable> note;
};

// How the documents are read, as the command line says it: what an append
// must share with the documents it adds to.
std::string Reading(const CollectionShape& shape) {
  std::string reading = "--table " + std::to_string(shape.table);
  if (shape.strTableFirstLine) reading += " --first-row-data";
  if (shape.cell_texts == CellTexts::kKept) reading += " --keep-text";
  return reading;
}

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
Status CollectionStopped(const std::vector<Document>& documents) {
  std::vector<std::pair<std::string, Status>> bad;
  for (const Document& document : documents) {
    if (!document.failure.ok()) bad.emplace_back(document.name, document.failure);
  }
  return BadDocuments(
      Fill(TrPlural("%1$s of the %2$s document cannot be collected, so nothing was stored and "
                    "dt_table is unchanged:",
                    "%1$s of the %2$s documents cannot be collected, so nothing was stored and "
                    "dt_table is unchanged:",
                    documents.size()),
           bad.size(), documents.size()),
      bad, documents.size());
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

// Adding to a collection loses nothing only while dt_table holds exactly
// the rows it stored: a run since would lose its rows to the refill. The
// note of the collection (its rows' digest) says so; without one, the
// origins dt_origin holds do.
Status CheckCollectionKept(adodb::Connection& cn, const Appending& appending) {
  bool holds = false;
  if (appending.note) {
    RowDigest table;
    QM_RETURN_IF_ERROR(DigestTable(cn, "dt_table", &table));
    holds = table.rows() == appending.note->row_count && table.value() == appending.note->digest;
  } else {
    QM_RETURN_IF_ERROR(DtTableHoldsOrigins(cn, appending.origin_fields, &holds));
  }
  if (holds) return Status();
  return Status(
      ErrorNumber::kCollectionReplaced,
      Fill(Tr("dt_table of \"%s\" no longer holds the rows the last collection stored (dt_origin "
              "says where those came from): a run, or another collection meanwhile, has stored "
              "other rows since, which adding to the collection would lose, so nothing was "
              "stored. Collect without --append to store these documents in their place, or "
              "first export dt_table to keep its rows (quillmere export)."),
           cn.data_source()));
}

// With --append, before anything is read: the stored documents read and
// each document named sorted against them; `documents` keeps those to read
// (new, changed). Whether dt_table still holds the collection is asked in
// the transaction, once it is locked.
Status PlanAppending(StartContext& window, const CollectionShape& shape, StoredTablesFound found,
                     bool documents_table, std::vector<Document>* documents, Appending* appending) {
  adodb::Connection& cn = *window.form.cn;
  if (!TableFields(cn, u"dt_origin", &appending->origin_fields).ok()) appending->origin_fields = 0;
  StoredDocuments stored;
  if (appending->origin_fields > 0) {
    QM_RETURN_IF_ERROR(ReadStoredDocuments(cn, "dt_table", documents_table,
                                           u"select distinct document from dt_origin", true,
                                           &stored));
  }
  if (!stored.empty() && found.stored && found.heading) {
    QM_RETURN_IF_ERROR(ReadStoredTable(cn, "dt_table", &appending->note));
  }
  std::vector<std::string> names, digests;
  for (const Document& document : *documents) {
    names.push_back(document.name);
    digests.push_back(document.digest);
  }
  AppendPlan plan;
  QM_RETURN_IF_ERROR(
      PlanAppend(stored, names, digests, Reading(shape), "dt_table", "collect", &plan));
  appending->stored = stored.size();
  appending->counts = plan.counts;
  appending->counts.pruned = appending->prune;
  appending->gone = std::move(plan.gone);
  std::vector<Document> to_read;
  for (size_t d = 0; d < documents->size(); ++d) {
    (*documents)[d].standing = plan.standing[d];
    if (plan.standing[d] != Standing::kUnchanged) to_read.push_back(std::move((*documents)[d]));
  }
  *documents = std::move(to_read);
  window.Label1.ShowStatus(unicode::FromUtf8(CountsStatus(appending->counts)));
  return window.Label1.Yield();
}

// The documents whose rows leave: the changed ones about to be read again
// (not those left out, which keep theirs) and, with --prune, those not
// named.
std::vector<std::string> Leaving(const std::vector<Document>& documents,
                                 const Appending& appending) {
  std::vector<std::string> leaving = appending.prune ? appending.gone : std::vector<std::string>();
  for (const Document& document : documents) {
    if (document.standing == Standing::kChanged && document.failure.ok()) {
      leaving.push_back(document.name);
    }
  }
  return leaving;
}

// Inside the append's transaction, dt_table locked: the rows of the
// documents leaving taken out of dt_origin and dt_table.
Status TakeOut(adodb::Connection& cn, const std::vector<std::string>& leaving,
               const Appending& appending, int64_t fields) {
  QM_RETURN_IF_ERROR(CheckCollectionKept(cn, appending));
  if (leaving.empty()) return Status();
  QM_RETURN_IF_ERROR(DeleteNamed(cn, "dt_origin", "document", leaving));
  return RefillDtTableFromOrigins(cn, std::min(appending.origin_fields, fields));
}

// What the collection stored, noted in dt_document (the documents'
// digests; with `leaving`, only those of the documents stored or leaving
// now are replaced) and dt_stored (the table's header and digest).
Status NoteCollection(adodb::Connection& cn, const std::vector<Document>& documents,
                      const CollectionShape& shape, StoredTablesFound found, bool documents_table,
                      const std::vector<std::vector<std::string>>& header,
                      const std::vector<std::string>* leaving) {
  std::vector<NotedDocument> noted;
  for (const Document& document : documents) {
    if (document.failure.ok()) noted.push_back({document.name, document.digest});
  }
  QM_RETURN_IF_ERROR(ForgetDocuments(cn, "dt_table", documents_table, leaving));
  QM_RETURN_IF_ERROR(NoteDocuments(cn, "dt_table", documents_table, Reading(shape), noted));
  return RecordStoredTable(cn, found, {"dt_table", "collect", header, 0, 0, {}});
}

// With --append, once the documents left out are known: what became of
// the documents, and the preview's lines for those whose rows stay as they
// were.
void CountAppended(const std::vector<Document>& documents, const Appending& appending,
                   CollectedTables& out, Collected* collected) {
  std::vector<Standing> left_out;
  for (const Document& document : documents) {
    if (!document.failure.ok()) left_out.push_back(document.standing);
  }
  AppendCounts counts = appending.counts;
  const Settled settled = SettleCounts(left_out, appending.stored, &counts);
  for (const std::string& line : KeptLines(settled.kept, counts, "dt_table")) out.AddLine(line);
  collected->appended = counts;
  collected->held = settled.held;
}

// The second pass, inside the transaction that locked dt_table (and,
// without `appending`, emptied it).
Status StoreAll(StartContext& window, const std::vector<Document>& documents,
                const CollectionShape& shape, bool origin_exists, StoredTablesFound found,
                bool documents_table, const Appending* appending, Collected* collected) {
  adodb::Connection& cn = *window.form.cn;
  if (!origin_exists) {
    QM_RETURN_IF_ERROR(CreateDtOrigin(cn, std::min<int64_t>(shape.fields, kMaxOriginFields)));
  }
  std::vector<std::string> leaving;
  if (appending == nullptr) {
    QM_RETURN_IF_ERROR(cn.Execute(u"delete from dt_origin", adodb::kOptionUnspecified));
  } else {
    leaving = Leaving(documents, *appending);
    QM_RETURN_IF_ERROR(TakeOut(cn, leaving, *appending, shape.fields));
  }
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
  collected->documents = collected->held = good;
  if (appending != nullptr) CountAppended(documents, *appending, out, collected);
  const bool keeps_header = appending != nullptr && appending->note;
  // Without dt_origin (or without --append) nothing stored before is kept.
  const bool keeps_notes = appending != nullptr && appending->origin_fields > 0;
  QM_RETURN_IF_ERROR(NoteCollection(cn, documents, shape, found, documents_table,
                                    keeps_header ? appending->note->header : out.header(),
                                    keeps_notes ? &leaving : nullptr));
  QM_RETURN_IF_ERROR(window.form.preview_page.Write(
      window.file_system, files::NativePath(files::PreviewFileName(window.app_folder)),
      [&](const files::FileSystem::PieceWriter& write) {
        return ShowStoredRows(window.form, window.app_folder, window.WebBrowser1, write,
                              out.PagePieces());
      }));
  window.Label1.ShowStatus(u"数据库存在形式与CC.html显示的效果类似");
  return Status();
}

// The first pass: every document read and its table converted, nothing
// stored. Bad documents fail the collection, unless `skip_failures` leaves
// them out while good ones remain.
Status FirstPass(StartContext& window, int32_t table, std::vector<Document>& documents,
                 bool skip_failures, Collected* collected) {
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
    return CollectionStopped(documents);
  }
  return Status();
}

}  // namespace

Status CollectTables(StartContext& window, const std::vector<std::string>& paths,
                     const CollectOptions& options, Collected* collected) {
  *collected = Collected();
  // Emptying dt_table for no document at all would only lose its rows.
  if (paths.empty()) return Status(ErrorNumber::kFileNotFound, Tr("No document to collect."));
  const int32_t table = SelectedTable(window.controls);
  window.form.strTableFirstLine = window.controls.Check1Value() != 1;
  QM_RETURN_IF_ERROR(OpenDataMdb(window.form, window.app_folder, window.file_system));
  adodb::Connection& cn = *window.form.cn;
  CollectionShape shape{
      table, window.form.strTableFirstLine, window.form.cell_texts, 1, 0, window.app_folder};
  // Asked before the transaction: on a server a statement that fails ends it.
  const StoredTablesFound stored_tables = FindStoredTables(cn);
  const bool documents_table = FindDocumentsTable(cn);

  std::vector<Document> documents;
  for (const std::string& path : paths) {
    // Taken before the document is read: should it change meanwhile, the
    // next append finds it changed and reads it again.
    documents.push_back(
        {path, DocumentName(path), DocumentDigest(window.file_system, path), {}, {}, 0});
  }
  std::optional<Appending> appending;
  if (options.append) {
    appending.emplace().prune = options.prune;
    QM_RETURN_IF_ERROR(
        PlanAppending(window, shape, stored_tables, documents_table, &documents, &*appending));
  }
  QM_RETURN_IF_ERROR(FirstPass(window, table, documents, options.skip_failures, collected));

  const Document* widest = nullptr;
  for (const Document& document : documents) {
    if (widest == nullptr || document.columns > widest->columns) widest = &document;
  }
  if (widest != nullptr) shape.columns = std::max<int64_t>(1, widest->columns);
  if (shape.columns > kMaxOriginFields) return TooWideToCollect(*widest);
  // Without dt_table, the transaction's first step fails as a run's does.
  bool origin_exists = false;
  if (TableFields(cn, u"dt_table", &shape.fields).ok()) {
    if (shape.columns > shape.fields) {
      return DtTableTooNarrow(window.app_folder, shape.columns, shape.fields);
    }
    QM_RETURN_IF_ERROR(CheckDtOrigin(cn, shape.columns, &origin_exists));
  }
  auto store = [&] {
    return StoreAll(window, documents, shape, origin_exists, stored_tables, documents_table,
                    appending ? &*appending : nullptr, collected);
  };
  return appending ? ChangeDtTable(window.form, store) : ReplaceDtTable(window.form, store);
}

}  // namespace quillmere
