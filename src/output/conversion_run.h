// One run of the conversion, as the start command and `quillmere convert`
// drive it, with all its database changes in one transaction:
//
//   QM_RETURN_IF_ERROR(OpenDataMdb(form, app_folder));
//   return ReplaceDtTable(form, [&] {
//     // ... whatever sets form.strTable ...
//     return Command3_Click(form, app_folder, WebBrowser1, Label1);
//   });
#pragma once

#include <functional>
#include <string_view>

#include "database/adodb.h"
#include "output/form_state.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// A transaction on a connection, rolled back on every way out (an
// exception's included) unless it was committed.
class Transaction {
 public:
  explicit Transaction(adodb::Connection& cn) : cn_(cn) {}
  ~Transaction() { (void)Rollback(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  Status Begin();
  Status Commit();
  // Undoes the changes since Begin, saying whether that worked. Nothing to
  // do before Begin or after a Commit that succeeded.
  Status Rollback();

 private:
  adodb::Connection& cn_;
  bool open_ = false;
};

// `work` in one transaction on cn: committed when it succeeds; rolled back
// when it or the commit fails (or it throws), and the failure returned, with
// the rollback's own failure when that fails too.
Status RunInTransaction(adodb::Connection& cn, const std::function<Status()>& work);

// Opens form.cn on the run's database: the ODBC data source of
// form.strConnection when it is given, else the one app_folder's data.dsn
// names (Provider=MSDASQL;FILEDSN=...) when `file_system` finds the folder
// holds one, else opendatabase on data.mdb in app_folder with an empty
// password. A connection that is open on that database already stays as it
// is. Fails, saying why the open failed, when the connection is not open
// afterwards.
Status OpenDataMdb(FormState& form, std::u16string_view app_folder,
                   files::FileSystem& file_system = files::Disk());

// In one transaction on the open form.cn: dt_table locked against other
// runs, "delete from dt_table", then `refill` (the conversion command and the
// steps the run takes before it). When any of these fails, dt_table keeps
// exactly the rows it had. Then PlacePreview.
Status ReplaceDtTable(FormState& form, const std::function<Status()>& refill);

// The same, dt_table locked but not emptied: `change` decides what of it
// stays.
Status ChangeDtTable(FormState& form, const std::function<Status()>& change);

// After a run's transaction has ended with `run`: once it committed, the
// preview page the run wrote (form.preview_page) takes cc.html's place;
// after a failure it is removed, so that cc.html never shows rows that were
// not stored. A page that cannot be put in place after the commit is a
// failure that says the rows are stored all the same.
Status PlacePreview(FormState& form, Status run);

}  // namespace quillmere
