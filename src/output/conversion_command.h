// The conversion command: the selected table's markup into rows of dt_table,
// the preview page cc.html, and the browser pane pointed at it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/table_sink.h"
#include "output/form_state.h"
#include "platform/browser.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// Converts form.strTable (its cell texts as form.cell_texts says): every row
// taken (the first one only when form.strTableFirstLine) becomes one insert
// statement into dt_table, executed on form.cn as its row finishes; then
// "select * from dt_table" into form.rs, WebBrowser1 pointed at the preview
// page, the page written beside cc.html in app_folder through `file_system`
// (form.preview_page, which PlacePreview puts in place once the transaction
// has committed), and the closing status text.
//
// A row wider than dt_table stops the run at its end, before its statement
// runs: kDtTableTooNarrow, or kTooManyColumns when no dt_table can be as wide.
//
// Runs inside the caller's transaction and neither begins nor ends one.
Status Command3_Click(FormState& form, std::u16string_view app_folder, Browser& WebBrowser1,
                      Progress& Label1, files::FileSystem& file_system = files::Disk());

// The conversion command's last steps once the rows are in, while cc.html
// is being written through `write`: "select * from dt_table" into form.rs,
// WebBrowser1 pointed at the preview page, and the rest of the page written.
Status ShowStoredRows(FormState& form, std::u16string_view app_folder, Browser& WebBrowser1,
                      const files::FileSystem::PieceWriter& write,
                      const std::vector<std::string_view>& rest_of_page);

}  // namespace quillmere
