// The state the window keeps for the life of the program and the commands
// share: the selected table's markup, the header-row option, the database
// connection (and the connection string a command was given) and the last
// recordset.
#pragma once

#include <memory>
#include <string>

#include "convert/conversion.h"
#include "database/adodb.h"
#include "platform/file_system.h"

namespace quillmere {

struct FormState {
  // The selected table's markup: the text after one "<table " up to the next
  // one or the end of the page.
  std::u16string strTable;
  // True: the table's first row is data and is inserted. False: it is a
  // header and is skipped.
  bool strTableFirstLine = false;
  // Created closed on first use, opened once, reused by later runs.
  std::unique_ptr<adodb::Connection> cn;
  // The connection string given on the command line (--connection); empty:
  // the application folder's data.dsn, or else its data.mdb.
  std::u16string strConnection;
  // The result of the last run's final select.
  std::unique_ptr<adodb::Recordset> rs;
  // What the cells' texts are: the conversion's own, unless the command
  // line's --keep-text asks for them as written. The window never changes it.
  CellTexts cell_texts = CellTexts::kConverted;
  // The preview page a run has written beside cc.html, waiting for the run's
  // transaction to commit before it takes cc.html's place.
  files::StagedFile preview_page;
};

}  // namespace quillmere
