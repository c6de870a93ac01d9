// The web-page writer fed by each reader: a compound file goes to the Word
// 97-2003 reader, anything else to the .docx reader (as a package when it
// starts like a ZIP archive, else as the main part of one). The page it
// writes must then convert.
//
// Checked: the page holds one "<table " for every table of the document,
// nested ones included, in document order; every table without tables inside
// it converts, with one row for every row the page gives it and one column
// for every column of its grid; a nested table's piece runs on into the rows
// of the table around it, which may add rows and columns.
#include <cstdint>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "convert/ustring.h"
#include "document/web_page/table_layout.h"
#include "document/web_page/writer.h"
#include "document/word97/reader.h"
#include "docx_input.h"
#include "fuzz_checks.h"
#include "platform/encoding/codepage.h"

namespace {

using namespace quillmere;
using document::Block;
using document::Table;
using document::web_page::LayOutTable;
using document::web_page::PlacedCell;
using document::web_page::PlacedRow;
using document::web_page::TableLayout;

struct PageTable {
  const Table* table;
  bool nested;
  bool holds_tables;
};

// Tables in the order the page writes them: each table, then the tables in
// the cells the page shows, row by row (a cell that continues a merge from
// above is covered, and so is whatever it holds).
void TablesInPageOrder(const std::vector<Block>& blocks, bool nested, std::vector<PageTable>* out) {
  for (const Block& block : blocks) {
    const auto* table = std::get_if<std::unique_ptr<Table>>(&block);
    if (table == nullptr) continue;
    const size_t at = out->size();
    out->push_back({table->get(), nested, false});
    for (const PlacedRow& row : LayOutTable(**table).rows) {
      for (const PlacedCell& cell : row.cells) {
        TablesInPageOrder(cell.cell->blocks, true, out);
      }
    }
    (*out)[at].holds_tables = out->size() > at + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  document::Document read;
  Status status;
  if (bytes.substr(0, 4) == "\xD0\xCF\x11\xE0") {
    status = document::word97::ReadDocument(bytes, &read);
  } else {
    status = fuzz::ReadDocxOrMainPart(bytes, &read);
  }
  fuzz::CheckReported(status);
  if (!status.ok()) return 0;

  std::string bytes_of_page;
  Status written = document::web_page::Write(read, &bytes_of_page);
  fuzz::CheckReported(written);
  if (!written.ok()) return 0;
  const std::u16string page = codepage::DecodeCp936(bytes_of_page);
  const std::vector<std::u16string_view> pieces = text::Split(page, u"<table ");
  std::vector<PageTable> tables;
  TablesInPageOrder(read.body, false, &tables);
  QM_FUZZ_CHECK(pieces.size() == tables.size() + 1);

  for (size_t t = 0; t < tables.size(); ++t) {
    if (tables[t].holds_tables) continue;
    const TableLayout layout = LayOutTable(*tables[t].table);
    fuzz::CheckingSink sink(/*same_width=*/true);
    SilentProgress quiet;
    Status converted = ConvertTable(pieces[t + 1], sink, quiet);
    fuzz::CheckReported(converted);
    if (layout.rows.empty()) {
      QM_FUZZ_CHECK(converted.number() == ErrorNumber::kNoRows);
      continue;
    }
    QM_FUZZ_CHECK(converted.ok());
    const auto rows = static_cast<int64_t>(layout.rows.size());
    const auto columns = static_cast<int64_t>(layout.column_widths.size());
    if (tables[t].nested) {
      QM_FUZZ_CHECK(sink.rows() >= rows && sink.columns() >= columns);
    } else {
      QM_FUZZ_CHECK(sink.rows() == rows && sink.columns() == columns);
    }
  }
  return 0;
}
