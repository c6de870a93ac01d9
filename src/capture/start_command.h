// The start command: from test.doc in the application folder to the rows of
// dt_table, the preview page and the files beside them, in one click.
#pragma once

#include <cstdint>
#include <string>

#include "convert/table_sink.h"
#include "document/document_host.h"
#include "output/form_state.h"
#include "platform/browser.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// The window's controls the start command reads, and the one it writes.
class StartControls {
 public:
  virtual ~StartControls() = default;
  // Combo1: the selected entry's index, -1 when none is selected.
  virtual int Combo1ListIndex() const = 0;
  // Selects an entry (and shows its text).
  virtual void SetCombo1ListIndex(int index) = 0;
  // The item data of entry `index`: the number of the table it names.
  virtual int32_t Combo1ItemData(int index) const = 0;
  // Check1: 0 not ticked, 1 ticked, 2 grayed.
  virtual int Check1Value() const = 0;
};

// Everything one run of the start command works with.
struct StartContext {
  std::u16string app_folder;     // the folder that holds the program
  DocumentHost& FramerControl1;  // opens test.doc and has it saved as a web page
  StartControls& controls;       // Combo1 and Check1
  FormState& form;               // strTable, strTableFirstLine, cn, rs
  Browser& WebBrowser1;
  Progress& Label1;
  // Where the folder is listed, data.dsn looked for, test.html read back
  // and tabletest.html and cc.html written. (test.doc is read and test.html
  // written by FramerControl1's document server, through its own.)
  files::FileSystem& file_system = files::Disk();
  // The document to open, in the program's form; empty: test.doc in
  // app_folder. It is only read, as test.doc is.
  std::u16string document = {};
};

// The table number the window's Combo1 chooses; with no entry selected, the
// first entry is selected and its table taken.
int32_t SelectedTable(StartControls& controls);

// Opens test.doc (or window.document), opens data.mdb, empties dt_table, saves the document as
// test.html, closes it, reads test.html, takes the selected table's markup
// into strTable (and tabletest.html) and runs the conversion command. The
// database work is one transaction: on any failure dt_table keeps its rows.
// A table number beyond the document's tables is a failure that says how
// many tables the document has; tabletest.html is then not written.
Status Command1_Click(StartContext& window);

}  // namespace quillmere
