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

#include "output/form_state.h"
#include "platform/status.h"

namespace quillmere {

// opendatabase on data.mdb in app_folder with an empty password; a
// connection that is open already stays as it is. Fails, saying why the open
// failed, when the connection is not open afterwards.
Status OpenDataMdb(FormState& form, std::u16string_view app_folder);

// In one transaction on the open form.cn: "delete from dt_table", then
// `refill` (the conversion command and the steps the run takes before it),
// then commit. When any of these fails (or throws), the transaction is rolled
// back, so dt_table keeps exactly the rows it had, and the failure is
// returned.
Status ReplaceDtTable(FormState& form, const std::function<Status()>& refill);

}  // namespace quillmere
