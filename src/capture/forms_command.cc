#include "capture/forms_command.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "capture/document_list.h"
#include "capture/many_documents.h"
#include "document/model.h"
#include "forms/form_layout.h"
#include "forms/names.h"
#include "output/conversion_run.h"
#include "output/dt_form.h"
#include "output/form_preview.h"
#include "output/stored_documents.h"
#include "output/stored_tables.h"
#include "platform/encoding/unicode.h"
#include "platform/messages.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

using forms::Cells;
using forms::Misfit;
using forms::Role;

// The documents that share one shape, compared with the first of them.
struct ShapeGroup {
  size_t first = 0;  // among the documents
  size_t count = 0;
  forms::Comparison comparison;
};

// One document of the reading, and what its first pass found.
struct FormDocument {
  std::string path;    // native
  std::string name;    // as messages, the preview and dt_form name it
  std::string digest;  // DocumentDigest
  Standing standing = Standing::kNew;
  Status failure;
  const ShapeGroup* group = nullptr;  // its shape's, when it was read without a blank form
  // Unchanged since it was stored: read to learn the labels, not stored.
  bool learn_only = false;
};

// How the forms are read, as the command line says it.
std::string Reading(const forms::TableChoice& tables) {
  if (tables.all) return "--table all";
  if (tables.first == tables.last) return "--table " + std::to_string(tables.first);
  return "--table " + std::to_string(tables.first) + "-" + std::to_string(tables.last);
}

// Up to five of `names`, quoted, then "…" for the rest.
std::string Some(const std::vector<std::u16string>& names) {
  std::string listed;
  for (size_t n = 0; n < names.size() && n < 5; ++n) {
    listed += (n > 0 ? ", \"" : "\"") + unicode::ToUtf8(names[n]) + "\"";
  }
  return names.size() > 5 ? listed + ", …" : listed;
}

std::string TableWords(const forms::TableChoice& tables) {
  if (tables.all) return Tr("its tables");
  if (tables.first == tables.last) return Fill(Tr("table %s"), tables.first);
  return Fill(Tr("tables %1$s to %2$s"), tables.first, tables.last);
}

Status TablesMissing(const std::string& name, const forms::TableChoice& tables, int found) {
  const std::string advice = messages::CurrentReader() == messages::Reader::kWindow
                                 ? Tr("Choose the form's table in the window's list.")
                                 : Tr("Choose the form's tables with --table N, N-M or all.");
  return Status(ErrorNumber::kTableNotInDocument,
                Sentences(Fill(Tr("%1$s has %2$s tables, so the form, %3$s, is not in it."), name,
                               found, TableWords(tables)),
                          advice));
}

// Why a document does not fit the form, naming the label where it parts.
Status NotFitting(const std::string& name, const Misfit& misfit, bool blank) {
  const std::string form = blank ? Tr("in the blank form") : Tr("in the other documents");
  const std::string label = unicode::ToUtf8(misfit.label);
  std::string what;
  switch (misfit.kind) {
    case Misfit::Kind::kNone:
      return Status();
    case Misfit::Kind::kTables:
      what = Fill(Tr("it has %1$s tables, not %2$s as %3$s."), misfit.found, misfit.expected, form);
      if (misfit.found < misfit.expected) {
        what = Sentences(what, Fill(Tr("The table of the label \"%s\" is missing."), label));
      }
      break;
    case Misfit::Kind::kRows:
      what = Fill(Tr("its table %1$s has %2$s rows, not %3$s as %4$s; they part at the label "
                     "\"%5$s\"."),
                  misfit.table + 1, misfit.found, misfit.expected, form, label);
      break;
    case Misfit::Kind::kCells:
      what = Fill(Tr("row %1$s of its table %2$s has %3$s cells, not %4$s as %5$s: the row of "
                     "the label \"%6$s\"."),
                  misfit.row + 1, misfit.table + 1, misfit.found, misfit.expected, form, label);
      break;
    case Misfit::Kind::kLabel:
      what = Fill(Tr("the label \"%1$s\" (table %2$s, row %3$s) is missing: the document has "
                     "\"%4$s\" in its place."),
                  label, misfit.table + 1, misfit.row + 1, unicode::ToUtf8(misfit.text));
      break;
  }
  return Status(ErrorNumber::kFormMismatch,
                Fill(Tr("%1$s does not fit the form: %2$s"), name, what));
}

class FormsReading {
 public:
  FormsReading(StartContext& window, const FormsOptions& options, FormsRead* read)
      : window_(window), options_(options), read_(read) {}

  Status Run(const std::vector<std::string>& paths) {
    // The blank form lying among the documents (in their folder) is no record.
    for (const std::string& path : paths) {
      if (SameFile(path, options_.blank)) continue;
      // The digest is taken before the document is read: should it change
      // meanwhile, the next append finds it changed and reads it again.
      documents_.push_back({path,
                            DocumentName(path),
                            DocumentDigest(window_.file_system, path),
                            Standing::kNew,
                            {},
                            nullptr,
                            false});
    }
    if (documents_.empty()) {
      return Status(ErrorNumber::kFileNotFound, Tr("No filled-in form to read."));
    }
    if (!options_.blank.empty()) QM_RETURN_IF_ERROR(ReadBlank());
    QM_RETURN_IF_ERROR(OpenDataMdb(window_.form, window_.app_folder, window_.file_system));
    // Asked before the transaction: on a server a statement that fails ends it.
    adodb::Connection& cn = *window_.form.cn;
    QM_RETURN_IF_ERROR(DtFormColumns(cn, &form_exists_, &form_columns_));
    found_ = FindStoredTables(cn);
    documents_table_ = FindDocumentsTable(cn);
    if (options_.append) QM_RETURN_IF_ERROR(PlanAppending());
    QM_RETURN_IF_ERROR(FirstPass());
    QM_RETURN_IF_ERROR(LearnForm());
    QM_RETURN_IF_ERROR(CheckFailures());
    QM_RETURN_IF_ERROR(NamePlaces());
    if (appending_) QM_RETURN_IF_ERROR(CheckNamesFit());
    return Store();
  }

 private:
  static bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    return !b.empty() && fs::path(a).lexically_normal() == fs::path(b).lexically_normal();
  }

  // The cells of the form in the document at `path`, read by the window's
  // document server.
  Status ReadFormCells(const std::string& path, const std::string& name, Cells* cells) {
    DocumentHost& host = window_.FramerControl1;
    QM_RETURN_IF_ERROR(host.Open(files::ProgramPath(path), true, u"Word.Document", u"", u""));
    WordDocument* open = nullptr;
    const document::Document* model = nullptr;
    Status status = host.ActiveDocument(&open);
    if (status.ok()) status = open->Model(&model);
    int tables = 0;
    if (status.ok() && !forms::ReadCells(*model, options_.tables, cells, &tables)) {
      status = TablesMissing(name, options_.tables, tables);
    }
    Status closed = host.Close();
    QM_RETURN_IF_ERROR(status);
    return closed;
  }

  Status ReadBlank() {
    const std::string name = DocumentName(options_.blank);
    Status read = ReadFormCells(options_.blank, name, &blank_);
    if (!read.ok()) {
      return Status(
          read.number(),
          Fill(Tr("The blank form cannot be read, so nothing was stored: %s"), read.description()));
    }
    roles_ = forms::TemplateRoles(blank_);
    return Status();
  }

  // With --append and records stored: each document named sorted against
  // them. With the blank form only the new and changed ones are read; else
  // the unchanged ones are read too, to learn the labels from.
  Status PlanAppending() {
    adodb::Connection& cn = *window_.form.cn;
    StoredDocuments stored;
    if (form_exists_) {
      QM_RETURN_IF_ERROR(ReadStoredDocuments(cn, "dt_form", documents_table_,
                                             u"select document from dt_form", false, &stored));
    }
    std::vector<std::string> names, digests;
    for (const FormDocument& document : documents_) {
      names.push_back(document.name);
      digests.push_back(document.digest);
    }
    AppendPlan plan;
    QM_RETURN_IF_ERROR(
        PlanAppend(stored, names, digests, Reading(options_.tables), "dt_form", "forms", &plan));
    read_->appended = plan.counts;
    read_->appended.pruned = options_.prune;
    // Nothing stored: the reading is a plain one, dt_form made to fit.
    appending_ = !stored.empty();
    if (!appending_) return Status();
    stored_ = stored.size();
    gone_ = std::move(plan.gone);
    std::vector<FormDocument> kept;
    for (size_t d = 0; d < documents_.size(); ++d) {
      FormDocument& document = documents_[d];
      document.standing = plan.standing[d];
      document.learn_only = document.standing == Standing::kUnchanged;
      if (!document.learn_only || blank_.empty()) kept.push_back(std::move(document));
    }
    documents_ = std::move(kept);
    window_.Label1.ShowStatus(unicode::FromUtf8(CountsStatus(read_->appended)));
    return window_.Label1.Yield();
  }

  // The documents whose records this reading stores.
  size_t ToStore() const {
    return static_cast<size_t>(std::count_if(documents_.begin(), documents_.end(),
                                             [](const FormDocument& d) { return !d.learn_only; }));
  }

  // Every document read and held against the form, nothing stored.
  Status FirstPass() {
    size_t n = 0;
    for (FormDocument& document : documents_) {
      QM_RETURN_IF_ERROR(ShowDocument(window_.Label1, N_("Reading %1$s/%2$s: %3$s"), ++n,
                                      documents_.size(), document.name));
      Cells cells;
      document.failure = ReadFormCells(document.path, document.name, &cells);
      if (document.failure.ok()) Learn(document, cells);
    }
    return Status();
  }

  void Learn(FormDocument& document, const Cells& cells) {
    if (!blank_.empty()) {
      document.failure =
          NotFitting(document.name, forms::FindMisfit(blank_, roles_, cells, true), true);
      return;
    }
    const std::string shape = forms::ShapeOf(cells);
    auto group = groups_.find(shape);
    if (group == groups_.end()) {
      const size_t index = static_cast<size_t>(&document - documents_.data());
      group = groups_.emplace(shape, ShapeGroup{index, 0, forms::Comparison(cells)}).first;
    }
    ++group->second.count;
    group->second.comparison.Add(cells);
    document.group = &group->second;
  }

  // Without a blank form: the shape most documents share is the form's
  // (the first document's among equals); its documents teach the labels,
  // and one alone is read by the single-document rules.
  Status LearnForm() {
    if (!blank_.empty() || groups_.empty()) return Status();
    const ShapeGroup* form = nullptr;
    for (const auto& [shape, group] : groups_) {
      if (form == nullptr || group.count > form->count ||
          (group.count == form->count && group.first < form->first)) {
        form = &group;
      }
    }
    reference_ = form->comparison.first();
    if (form->count >= 2) {
      roles_ = form->comparison.Roles();
    } else {
      roles_ = forms::SingleDocumentRoles(reference_);
      for (size_t i = 0; i < reference_.size(); ++i) {
        if (roles_[i] == Role::kLabel) read_->labels_taken.push_back(reference_[i].text);
      }
    }
    for (FormDocument& document : documents_) {
      if (!document.failure.ok() || document.group == form || document.learn_only) continue;
      Cells cells;
      document.failure = ReadFormCells(document.path, document.name, &cells);
      if (document.failure.ok()) {
        document.failure =
            NotFitting(document.name, forms::FindMisfit(reference_, roles_, cells, false), false);
      }
    }
    return Status();
  }

  const Cells& Form() const { return blank_.empty() ? reference_ : blank_; }
  const Cells* Blank() const { return blank_.empty() ? nullptr : &blank_; }

  // Every bad document in one failure, or with skip_failures the list of
  // those left out.
  Status CheckFailures() {
    for (const FormDocument& document : documents_) {
      if (document.failure.number() == ErrorNumber::kRunCancelled) return document.failure;
      // One read only to learn from keeps its record whatever it says now.
      if (!document.failure.ok() && !document.learn_only) {
        read_->left_out.emplace_back(document.name, document.failure);
      }
    }
    if (read_->left_out.empty()) return Status();
    if (options_.skip_failures && read_->left_out.size() < ToStore()) return Status();
    Status bad = BadDocuments();
    read_->left_out.clear();
    return bad;
  }

  Status BadDocuments() const {
    const size_t bad = read_->left_out.size(), of = ToStore();
    return quillmere::BadDocuments(
        Fill(TrPlural("%1$s of the %2$s document cannot be read as the form, so nothing was "
                      "stored and dt_form is unchanged:",
                      "%1$s of the %2$s documents cannot be read as the form, so nothing was "
                      "stored and dt_form is unchanged:",
                      of),
             bad, of),
        read_->left_out, of);
  }

  Status NamePlaces() {
    places_ = forms::NameValues(Form(), roles_, Blank());
    if (places_.empty()) {
      return Status(ErrorNumber::kNoFormValues, NoValues());
    }
    std::vector<std::u16string> names;
    for (const forms::ValuePlace& place : places_) names.push_back(place.name);
    read_->names = forms::UniqueNames(names, MaxColumnNameBytes(*window_.form.cn),
                                      {std::u16string(kFormDocumentColumn)});
    return CheckColumns(*window_.form.cn, read_->names.size());
  }

  // With --append: the form's names must be dt_form's columns, in any
  // order, for its records to stand beside the stored ones.
  Status CheckNamesFit() const {
    std::vector<std::u16string> missing, added;
    for (size_t c = 1; c < form_columns_.size(); ++c) {
      if (std::find(read_->names.begin(), read_->names.end(), form_columns_[c]) ==
          read_->names.end()) {
        missing.push_back(form_columns_[c]);
      }
    }
    for (const std::u16string& name : read_->names) {
      if (std::find(form_columns_.begin() + 1, form_columns_.end(), name) == form_columns_.end()) {
        added.push_back(name);
      }
    }
    if (missing.empty() && added.empty()) return Status();
    std::string what;
    if (!missing.empty()) what = Fill(Tr("dt_form has %s, which the form lacks"), Some(missing));
    if (!added.empty()) {
      const std::string more = Fill(Tr("the form has %s, which dt_form lacks"), Some(added));
      what = what.empty() ? more : Fill(Tr("%1$s; %2$s"), what, more);
    }
    const std::string advice =
        blank_.empty() ? Tr("Give the blank form (--template BLANK), whose labels name the values "
                            "whichever documents are read, or read all the documents again "
                            "without --append.")
                       : Tr("Read the documents without --append to make dt_form anew with the "
                            "blank form's names.");
    return Status(ErrorNumber::kStoredFormDiffers,
                  Sentences(Fill(Tr("The form these documents give names other values than the "
                                    "records stored in dt_form, so nothing was stored: %s."),
                                 what),
                            advice));
  }

  std::string NoValues() const {
    if (!blank_.empty()) {
      return Tr("No cell of the blank form is left for a value: every cell holds a label.");
    }
    const std::string what =
        Tr("No cell of the form holds a value: every cell reads the same "
           "in all the documents.");
    return Sentences(what, messages::CurrentReader() == messages::Reader::kWindow
                               ? Tr("Drop the filled-in copies, not the same form again.")
                               : Tr("Give the blank form (--template) to say which cells are "
                                    "labels."));
  }

  // The second pass: the records stored in one transaction, written to the
  // preview as they go; the preview takes cc.html's place once they are
  // committed.
  Status Store() {
    adodb::Connection& cn = *window_.form.cn;
    DtForm table(cn, read_->names);
    bool committed = false;
    files::StagedFile preview;
    Status written = preview.Write(
        window_.file_system, files::NativePath(files::PreviewFileName(window_.app_folder)),
        [&](const files::FileSystem::PieceWriter& write) {
          FormPreview page(write);
          QM_RETURN_IF_ERROR(page.Start(read_->names));
          Status stored = RunInTransaction(cn, [&] {
            const std::vector<std::string> leaving = Leaving();
            QM_RETURN_IF_ERROR(appending_ ? TakeOut(table, leaving)
                                          : table.Replace(form_exists_, form_columns_));
            QM_RETURN_IF_ERROR(StoreAll(table, page));
            return Note(leaving);
          });
          QM_RETURN_IF_ERROR(stored);
          committed = true;
          return page.Finish(read_->left_out, Notes());
        });
    if (written.ok()) written = preview.PutInPlace();
    if (!written.ok()) {
      if (!committed) return written;
      return Status(written.number(),
                    Fill(Tr("dt_form holds the %1$s records, but cc.html cannot show them: %2$s"),
                         read_->documents, written.description()));
    }
    window_.WebBrowser1.Navigate2(files::PreviewTarget(window_.app_folder));
    window_.Label1.ShowStatus(u"数据库存在形式与CC.html显示的效果类似");
    return Status();
  }

  // With --append: the records of the documents about to be stored (a
  // changed one's, and a new one's that another reading stored meanwhile;
  // not those left out, which keep theirs) and, with --prune, of those not
  // named.
  std::vector<std::string> Leaving() const {
    if (!appending_) return {};
    std::vector<std::string> leaving = options_.prune ? gone_ : std::vector<std::string>();
    for (const FormDocument& document : documents_) {
      if (!document.learn_only && document.failure.ok()) leaving.push_back(document.name);
    }
    return leaving;
  }

  // Inside the append's transaction: dt_form locked against other readings
  // and the records of the documents leaving taken out.
  Status TakeOut(DtForm& table, const std::vector<std::string>& leaving) {
    QM_RETURN_IF_ERROR(table.Lock());
    return DeleteNamed(*window_.form.cn, "dt_form", "\"document\"", leaving);
  }

  // The documents' digests and the note that forms stored dt_form last.
  Status Note(const std::vector<std::string>& leaving) {
    adodb::Connection& cn = *window_.form.cn;
    std::vector<NotedDocument> noted;
    for (const FormDocument& document : documents_) {
      if (document.failure.ok() && !document.learn_only) {
        noted.push_back({document.name, document.digest});
      }
    }
    QM_RETURN_IF_ERROR(
        ForgetDocuments(cn, "dt_form", documents_table_, appending_ ? &leaving : nullptr));
    QM_RETURN_IF_ERROR(
        NoteDocuments(cn, "dt_form", documents_table_, Reading(options_.tables), noted));
    return RecordStoredTable(cn, found_, {"dt_form", "forms", {}, 0, 0, {}});
  }

  Status StoreAll(DtForm& table, FormPreview& page) {
    const size_t good = ToStore() - read_->left_out.size();
    size_t n = 0;
    for (const FormDocument& document : documents_) {
      if (!document.failure.ok() || document.learn_only) continue;
      QM_RETURN_IF_ERROR(
          ShowDocument(window_.Label1, N_("Storing %1$s/%2$s: %3$s"), ++n, good, document.name));
      Cells cells;
      Status stored = ReadFormCells(document.path, document.name, &cells);
      if (stored.ok()) {
        // A document changed on disk since the first pass.
        stored =
            NotFitting(document.name, forms::FindMisfit(Form(), roles_, cells, Blank() != nullptr),
                       Blank() != nullptr);
      }
      std::vector<std::u16string> record;
      if (stored.ok()) record = forms::ReadRecord(cells, places_, Blank());
      const std::u16string name = unicode::FromUtf8(document.name);
      if (stored.ok()) stored = table.Insert(name, record);
      if (stored.ok()) stored = page.Record(name, record);
      if (stored.number() == ErrorNumber::kRunCancelled) return stored;
      if (!stored.ok()) {
        return Status(stored.number(),
                      Fill(Tr("Storing %1$s failed, so nothing was stored and dt_form is "
                              "unchanged: %2$s"),
                           document.name, stored.description()));
      }
    }
    read_->documents = read_->held = good;
    if (appending_) CountAppended();
    return Status();
  }

  // What became of the documents, once the left out are known.
  void CountAppended() {
    std::vector<Standing> left_out;
    for (const FormDocument& document : documents_) {
      if (!document.failure.ok() && !document.learn_only) left_out.push_back(document.standing);
    }
    const Settled settled = SettleCounts(left_out, stored_, &read_->appended);
    kept_ = settled.kept;
    read_->held = settled.held;
  }

  std::vector<std::string> Notes() const {
    std::vector<std::string> notes;
    if (appending_) {
      notes = KeptLines(kept_, read_->appended, "dt_form");
    }
    if (read_->labels_taken.empty()) return notes;
    std::string labels;
    for (const std::u16string& label : read_->labels_taken) {
      labels += (labels.empty() ? "" : ", ") + unicode::ToUtf8(label);
    }
    notes.push_back(
        Fill(Tr("One document and no blank form: these cells were taken as labels: %s"), labels));
    return notes;
  }

  StartContext& window_;
  const FormsOptions& options_;
  FormsRead* read_;
  std::vector<FormDocument> documents_;
  Cells blank_;
  Cells reference_;  // without a blank form: the cells of the form's first document
  std::vector<Role> roles_;
  std::map<std::string, ShapeGroup> groups_;
  std::vector<forms::ValuePlace> places_;
  // dt_form and the notes beside it, as found before the transaction.
  bool form_exists_ = false;
  std::vector<std::u16string> form_columns_;
  StoredTablesFound found_;
  bool documents_table_ = false;
  // With --append and records stored: how many, those not named, and those
  // whose records stay as they were, unread.
  bool appending_ = false;
  size_t stored_ = 0;
  std::vector<std::string> gone_;
  size_t kept_ = 0;
};

}  // namespace

Status ReadForms(StartContext& window, const std::vector<std::string>& documents,
                 const FormsOptions& options, FormsRead* read) {
  *read = FormsRead();
  return FormsReading(window, options, read).Run(documents);
}

}  // namespace quillmere
