#include "capture/page_tables.h"

#include <vector>

#include "convert/ustring.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

Status TableNotInDocument(std::string_view document, int32_t table, size_t tables,
                          TableTaker taker) {
  std::string count = tables == 0 ? "没有表格" : "只有" + std::to_string(tables) + "个表格";
  const std::string what =
      taker == TableTaker::kCollection ? ""
      : tables == 0 ? Tr("dt_table is unchanged; the document has no table to take.")
      : tables == 1 ? Tr("dt_table is unchanged; choose table 1.")
                    : Fill(Tr("dt_table is unchanged; choose a table from 1 to %s."), tables);
  return Status(ErrorNumber::kTableNotInDocument, std::string(document) + " 中" + count +
                                                      "，无法选取第" + std::to_string(table) +
                                                      "个表格。" + what);
}

// `piece` (a view into `page`) as a text of its own, cut out of the page's
// own buffer. A small piece does not keep the page's buffer.
void TakePiece(std::u16string_view piece, std::u16string& page, std::u16string* out) {
  const size_t start = static_cast<size_t>(piece.data() - page.data());
  const size_t length = piece.size();
  page.erase(start + length);
  page.erase(0, start);
  if (length < page.capacity() / 2) page.shrink_to_fit();
  *out = std::move(page);
}

}  // namespace

Status TakeTable(std::u16string& page, int32_t table, std::string_view document,
                 std::u16string* strTable, TableTaker taker) {
  const std::vector<std::u16string_view> pieces = text::Split(page, u"<table ");
  const size_t tables = pieces.empty() ? 0 : pieces.size() - 1;
  if (table < 1 || static_cast<size_t>(table) > tables) {
    return TableNotInDocument(document, table, tables, taker);
  }
  TakePiece(pieces[static_cast<size_t>(table)], page, strTable);
  return Status();
}

}  // namespace quillmere
