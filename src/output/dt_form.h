// dt_form: the records of the last forms reading, one per document: the
// document's name, then one text column per value the form names, in the
// form's reading order. A reading makes it, or makes it anew when its
// columns are not the form's, and empties and fills it in one transaction;
// nothing else of the database changes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "database/adodb.h"
#include "platform/status.h"

namespace quillmere {

// The column dt_form names each record's document by.
inline constexpr std::u16string_view kFormDocumentColumn = u"document";

// The most bytes of UTF-8 a column's name may take in the database cn is
// on (PostgreSQL 63), 0 where it sets no limit a form's names could reach.
size_t MaxColumnNameBytes(const adodb::Connection& cn);

// The most columns a table may have there: SQLite 2,000, PostgreSQL 1,600.
size_t MaxTableColumns(const adodb::Connection& cn);

// Fails, saying what to do, when `names` value columns and document are
// more than a table of cn's database can have.
Status CheckColumns(const adodb::Connection& cn, size_t names);

// dt_form's columns on cn, in order, and whether it is there at all (asked
// outside any transaction: on a server a failed statement would end it).
Status DtFormColumns(adodb::Connection& cn, bool* exists, std::vector<std::u16string>* columns);

class DtForm {
 public:
  // `names` are the value columns, made unique and fit for cn already.
  DtForm(adodb::Connection& cn, std::vector<std::u16string> names);

  // Inside the caller's transaction: dt_form kept and emptied when its
  // columns (`exists`, `columns`: as DtFormColumns found them) are
  // document and the names, in order, locked against other readings; else
  // dropped, when it is there, and made anew (CheckColumns first).
  Status Replace(bool exists, const std::vector<std::u16string>& columns);

  // Inside the caller's transaction: dt_form, as it is, locked against
  // other readings.
  Status Lock();

  // Inserts one record: `document`, then one value per name.
  Status Insert(std::u16string_view document, const std::vector<std::u16string>& values);

 private:
  adodb::Connection& cn_;
  const std::vector<std::u16string> names_;
  std::u16string shape_;  // the insert, its values as parameters
  std::u16string statement_;
  std::vector<std::u16string_view> values_;
};

}  // namespace quillmere
