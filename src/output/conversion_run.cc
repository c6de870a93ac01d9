#include "output/conversion_run.h"

#include "database/access/access_file.h"
#include "database/connection_string.h"
#include "output/dt_table.h"
#include "output/opendatabase.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// Opens cn on the ODBC data source `connection`; when it is the folder's
// data.dsn (`dsn_path`) that chose it, a failure says so.
Status OpenDataSource(adodb::Connection& cn, const std::u16string& connection,
                      const std::string& dsn_path) {
  Status opened = cn.Open(connection, u"", u"", adodb::kOptionUnspecified);
  if (opened.ok() || dsn_path.empty()) return opened;
  return Status(opened.number(),
                Sentences(opened.description(),
                          Fill(Tr("The data source is the one %s names; without that file the "
                                  "folder's data.mdb is used."),
                               dsn_path)));
}

}  // namespace

Status Transaction::Begin() {
  QM_RETURN_IF_ERROR(cn_.BeginTrans());
  open_ = true;
  return Status();
}

Status Transaction::Commit() {
  QM_RETURN_IF_ERROR(cn_.CommitTrans());
  open_ = false;
  return Status();
}

Status Transaction::Rollback() {
  if (!open_) return Status();
  QM_RETURN_IF_ERROR(cn_.RollbackTrans());
  open_ = false;
  return Status();
}

Status RunInTransaction(adodb::Connection& cn, const std::function<Status()>& work) {
  Transaction transaction(cn);
  QM_RETURN_IF_ERROR(transaction.Begin());
  Status status = work();
  if (status.ok()) status = transaction.Commit();
  if (status.ok()) return status;
  Status undone = transaction.Rollback();
  if (!undone.ok()) {
    return Status(status.number(), Sentences(status.description(),
                                             Fill(Tr("Undoing the run's changes failed too: %s"),
                                                  undone.ToString())));
  }
  return status;
}

Status OpenDataMdb(FormState& form, std::u16string_view app_folder,
                   files::FileSystem& file_system) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  std::u16string odbc = form.strConnection;
  std::string dsn_path = files::NativePath(files::DataSourceFileName(app_folder));
  if (!odbc.empty() || !file_system.Exists(dsn_path)) dsn_path.clear();
  if (!dsn_path.empty()) odbc = connection_string::ForFileDsn(dsn_path);
  // A data.mdb deleted or replaced since the connection opened it (by one
  // made anew with quillmere newdb, say) is opened afresh: the connection
  // would go on with the old file, which nobody sees any more. So is a
  // server connection that broke, and one the folder no longer chooses.
  if (cn.State() == adodb::kStateOpen && (!cn.StillServes() || cn.IsOdbc() != !odbc.empty() ||
                                          (cn.IsOdbc() && cn.ConnectionString() != odbc))) {
    cn.Close();
  }
  if (!odbc.empty()) {
    return cn.State() == adodb::kStateOpen ? Status() : OpenDataSource(cn, odbc, dsn_path);
  }
  Status why;
  opendatabase(form.cn, files::kDatabaseName, u"", app_folder, &why);
  if (cn.State() == adodb::kStateOpen) return Status();
  if (why.number() == ErrorNumber::kDatabaseNotFound ||
      why.number() == ErrorNumber::kNotADatabase) {
    const bool exists = why.number() == ErrorNumber::kNotADatabase;
    const std::string advice = exists && access::IsAccessFile(DataMdbPath(app_folder))
                                   ? ImportAccessAdvice(app_folder)
                                   : NewDatabaseAdvice(app_folder, exists);
    return Status(why.number(), Sentences(why.description(), advice));
  }
  return why;
}

Status ReplaceDtTable(FormState& form, const std::function<Status()>& refill) {
  return ChangeDtTable(form, [&] {
    QM_RETURN_IF_ERROR(form.cn->Execute(u"delete from dt_table", adodb::kOptionUnspecified));
    return refill();
  });
}

Status ChangeDtTable(FormState& form, const std::function<Status()>& change) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  Status status = RunInTransaction(cn, [&] {
    // Another run into the same dt_table waits until this one has ended, or
    // fails without changing anything: never are two runs' rows mixed.
    QM_RETURN_IF_ERROR(cn.LockTable(u"dt_table"));
    return change();
  });
  if (status.number() == ErrorNumber::kNoSuchTable) {
    status = Status(status.number(), Sentences(status.description(), DtTableMissingAdvice()));
  }
  return PlacePreview(form, std::move(status));
}

Status PlacePreview(FormState& form, Status run) {
  if (!run.ok()) {
    form.preview_page.Discard();
    return run;
  }
  Status placed = form.preview_page.PutInPlace();
  if (placed.ok()) return Status();
  return Status(placed.number(),
                Sentences(Tr("The rows are stored in dt_table, but the preview page cc.html "
                             "could not take its place, so it still shows what it showed before."),
                          placed.description()));
}

}  // namespace quillmere
