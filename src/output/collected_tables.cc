#include "output/collected_tables.h"

#include "convert/header_rows.h"
#include "output/width_check.h"
#include "platform/encoding/unicode.h"
#include "platform/translation.h"

namespace quillmere {

// One document's rows: every cell to the statements, then to the preview;
// every row end to the preview (padded to the collection's width) first,
// then to the statements (which execute), then its values to the origins.
// The statements and the preview run on from document to document, so the
// start of a document's rows resets neither.
class CollectedTables::DocumentRows : public TableSink {
 public:
  explicit DocumentRows(CollectedTables& out) : out_(out) {}

  Status BeginRows() override { return Status(); }
  Status Cell(int64_t k, std::u16string_view strCellText) override {
    cells_ = k + 1;
    if (out_.header_rows_left_ > 0) TakeHeading(strCellText);
    QM_RETURN_IF_ERROR(out_.statements_.Cell(k, strCellText));
    return out_.preview_.Cell(k, strCellText);
  }
  Status EndRow(int64_t i) override {
    const bool taken = RowIsTaken(i, out_.shape_.strTableFirstLine);
    // An empty cell, as the conversion hands one on.
    for (int64_t k = cells_; taken && k < out_.shape_.columns; ++k) {
      QM_RETURN_IF_ERROR(out_.preview_.Cell(k, u"<td>"));
    }
    cells_ = 0;
    if (out_.header_rows_left_ > 0 && --out_.header_rows_left_ > 0) out_.header_.emplace_back();
    QM_RETURN_IF_ERROR(out_.preview_.EndRow(i));
    QM_RETURN_IF_ERROR(out_.statements_.EndRow(i));
    if (taken) out_.origins_.Add(i, out_.statements_.RowValues());
    return Status();
  }
  Status Finish() override { return Status(); }

 private:
  void TakeHeading(std::u16string_view strCellText) {
    AssignStoredValue(strCellText, out_.shape_.cell_texts, &heading_);
    out_.header_.back().push_back(unicode::ToUtf8(heading_));
  }

  CollectedTables& out_;
  std::u16string heading_;
  int64_t cells_ = 0;
};

CollectedTables::CollectedTables(adodb::Connection& cn, const CollectionShape& shape)
    : cn_(cn),
      shape_(shape),
      statements_(cn, shape.strTableFirstLine, shape.cell_texts),
      preview_(shape.strTableFirstLine, shape.cell_texts) {}

Status CollectedTables::Add(std::u16string_view document, text::TextView strTable,
                            Progress& progress) {
  preview_.AppendSpanningRow(document, shape_.columns);
  const bool first = header_rows_left_ < 0;
  if (first) {
    header_rows_left_ = shape_.strTableFirstLine ? 0 : HeaderRowCount(strTable);
    if (header_rows_left_ > 0) header_.emplace_back();
  }
  DocumentRows rows(*this);
  WidthCheck checked(rows, shape_.fields, shape_.folder);
  QM_RETURN_IF_ERROR(ConvertTable(strTable, checked, progress, shape_.cell_texts));
  if (first) {
    // A table shorter than its header leaves the rest of it untaken.
    header_rows_left_ = 0;
    while (!header_.empty() && header_.back().empty()) header_.pop_back();
  }
  return origins_.Insert(cn_, document, shape_.table);
}

void CollectedTables::AddSkipped(std::u16string_view document, const Status& failure) {
  preview_.AppendSpanningRow(
      unicode::FromUtf8(Fill(Tr("%1$s: left out, error %2$s: %3$s"), unicode::ToUtf8(document),
                             failure.code(), failure.description())),
      shape_.columns);
}

void CollectedTables::AddLine(std::string_view text) {
  preview_.AppendSpanningRow(unicode::FromUtf8(text), shape_.columns);
}

Status TableMeasure::BeginRows() {
  cells_ = widest_ = taken_rows_ = 0;
  return Status();
}

Status TableMeasure::Cell(int64_t k, std::u16string_view /*strCellText*/) {
  cells_ = k + 1;
  return Status();
}

Status TableMeasure::EndRow(int64_t i) {
  widest_ = std::max(widest_, cells_);
  cells_ = 0;
  if (RowIsTaken(i, strTableFirstLine_)) ++taken_rows_;
  return Status();
}

}  // namespace quillmere
