// What a collection stores and shows: table N of many documents, each
// converted as a run converts its table, into one dt_table, with the
// origin of every row in dt_origin and one preview page of them all.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion.h"
#include "convert/table_sink.h"
#include "database/adodb.h"
#include "output/dt_origin.h"
#include "output/insert_statements.h"
#include "output/preview_page.h"
#include "platform/status.h"

namespace quillmere {

// The widths and options every document of one collection shares.
struct CollectionShape {
  int32_t table = 1;               // the table number taken from each document
  bool strTableFirstLine = false;  // the first row is data
  CellTexts cell_texts = CellTexts::kConverted;
  int64_t columns = 1;         // the widest table's: the preview's width
  int64_t fields = 0;          // dt_table's columns
  std::u16string_view folder;  // where data.mdb lies, for the width failure
};

class CollectedTables {
 public:
  CollectedTables(adodb::Connection& cn, const CollectionShape& shape);

  // Converts `strTable`, the table of `document` (its file name), inside the
  // caller's transaction: a row naming the document on the preview, then
  // every taken row inserted into dt_table with the statement a run would
  // execute for it (a row wider than dt_table stopping it as it stops a run)
  // and shown padded with empty cells to the widest table's width; then the
  // rows' origins inserted into dt_origin.
  Status Add(std::u16string_view document, text::TextView strTable, Progress& progress);

  // A line on the preview for a document that was left out, and why.
  void AddSkipped(std::u16string_view document, const Status& failure);
  // A line of the preview's own (UTF-8).
  void AddLine(std::string_view text);

  // The header of the first document added, when tables have one: its
  // first row and the rows below that its headings span down into
  // (HeaderRowCount), each row's cells as dt_table holds values (UTF-8).
  const std::vector<std::vector<std::string>>& header() const { return header_; }

  // cc.html: every document's rows after the row naming it, then the
  // statements, as the pieces PreviewPage::PagePieces gives.
  std::vector<std::string_view> PagePieces() const {
    return preview_.PagePieces(statements_.log());
  }

 private:
  class DocumentRows;
  adodb::Connection& cn_;
  const CollectionShape shape_;
  InsertStatements statements_;
  PreviewPage preview_;
  OriginRows origins_;
  // The first document's header rows still to be taken, and those taken.
  int64_t header_rows_left_ = -1;  // -1 before the first document
  std::vector<std::vector<std::string>> header_;
};

// Measures a table without storing it: the most cells any row has (all
// rows, a header row included, as the width check counts them) and how many
// rows would be stored.
class TableMeasure : public TableSink {
 public:
  explicit TableMeasure(bool strTableFirstLine) : strTableFirstLine_(strTableFirstLine) {}

  Status BeginRows() override;
  Status Cell(int64_t k, std::u16string_view strCellText) override;
  Status EndRow(int64_t i) override;
  Status Finish() override { return Status(); }

  int64_t widest() const { return widest_; }
  int64_t taken_rows() const { return taken_rows_; }

 private:
  const bool strTableFirstLine_;
  int64_t cells_ = 0;
  int64_t widest_ = 0;
  int64_t taken_rows_ = 0;
};

}  // namespace quillmere
