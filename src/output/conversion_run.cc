#include "output/conversion_run.h"

#include "output/opendatabase.h"

namespace quillmere {

namespace {

// Rolls the transaction back on every way out, an exception's included,
// unless it was committed.
class Transaction {
 public:
  explicit Transaction(adodb::Connection& cn) : cn_(cn) {}
  ~Transaction() { (void)Undo(); }
  Status Begin() {
    QM_RETURN_IF_ERROR(cn_.BeginTrans());
    begun_ = true;
    return Status();
  }
  Status Commit() { return cn_.CommitTrans(); }
  // Nothing to do when it never began or has been committed.
  Status Undo() { return begun_ ? cn_.RollbackTrans() : Status(); }

 private:
  adodb::Connection& cn_;
  bool begun_ = false;
};

}  // namespace

Status OpenDataMdb(FormState& form, std::u16string_view app_folder) {
  Status why;
  opendatabase(form.cn, u"data.mdb", u"", app_folder, &why);
  if (form.cn->State() == adodb::kStateOpen) return Status();
  return why;
}

Status ReplaceDtTable(FormState& form, const std::function<Status()>& refill) {
  adodb::Connection& cn = adodb::EnsureCreated(form.cn);
  Transaction transaction(cn);
  QM_RETURN_IF_ERROR(transaction.Begin());
  Status status = cn.Execute(u"delete from dt_table", adodb::kOptionUnspecified);
  if (status.ok()) status = refill();
  if (status.ok()) status = transaction.Commit();
  if (status.ok()) return status;
  Status undone = transaction.Undo();
  if (!undone.ok()) {
    return Status(status.number(), status.description() +
                                       " Undoing the run's changes failed too: " +
                                       undone.ToString());
  }
  return status;
}

}  // namespace quillmere
