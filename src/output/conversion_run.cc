#include "output/conversion_run.h"

#include "output/dt_table.h"
#include "output/opendatabase.h"
#include "platform/filename.h"
#include "platform/translation.h"

namespace quillmere {

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

Status OpenDataMdb(FormState& form, std::u16string_view app_folder) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  // A data.mdb deleted or replaced since the connection opened it (by one
  // made anew with quillmere newdb, say) is opened afresh: the connection
  // would go on with the old file, which nobody sees any more.
  if (cn.State() == adodb::kStateOpen && !cn.HoldsFileAtDataSource()) cn.Close();
  Status why;
  opendatabase(form.cn, files::kDatabaseName, u"", app_folder, &why);
  if (cn.State() == adodb::kStateOpen) return Status();
  if (why.number() == ErrorNumber::kDatabaseNotFound ||
      why.number() == ErrorNumber::kNotADatabase) {
    const bool exists = why.number() == ErrorNumber::kNotADatabase;
    return Status(why.number(),
                  Sentences(why.description(), NewDatabaseAdvice(app_folder, exists)));
  }
  return why;
}

Status ReplaceDtTable(FormState& form, const std::function<Status()>& refill) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  return RunInTransaction(cn, [&] {
    QM_RETURN_IF_ERROR(cn.Execute(u"delete from dt_table", adodb::kOptionUnspecified));
    return refill();
  });
}

}  // namespace quillmere
