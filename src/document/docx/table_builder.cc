#include "document/docx/table_builder.h"

#include <algorithm>
#include <charconv>

namespace quillmere::document::docx {

namespace {

// A count from the file, kept within what a grid can hold.
int GridCount(int value, int low) { return std::clamp(value, low, kMaxGridColumns); }

}  // namespace

TableBuilder::TableBuilder(const WordNames& names)
    : names_(names), table_(std::make_unique<Table>()) {}

void TableBuilder::SetTableProperties(pugi::xml_node tbl_pr) {
  key_.clear();
  for (const char* property : {"tblStyle", "tblpPr", "tblOverlap", "bidiVisual"}) {
    pugi::xml_node node = names_.Child(tbl_pr, property);
    key_ += node ? "+" : "-";
    for (pugi::xml_attribute attribute : node.attributes()) {
      key_.append(attribute.name()).append("=").append(attribute.value()).append(";");
    }
  }
}

void TableBuilder::SetGrid(pugi::xml_node tbl_grid) {
  table_->grid_column_widths.clear();
  for (pugi::xml_node column : tbl_grid.children()) {
    if (names_.Word(column) != "gridCol") continue;
    if (table_->grid_column_widths.size() > kMaxGridColumns) break;  // FitGrid refuses it
    int width = Twips(column);
    table_->grid_column_widths.push_back(width >= 0 ? width : kDefaultColumnTwips);
  }
}

void TableBuilder::StartRow() {
  row_ = Row();
  row_widths_ = RowWidths();
  row_deleted_ = false;
}

void TableBuilder::SetRowProperties(pugi::xml_node tr_pr) {
  row_deleted_ = static_cast<bool>(names_.Child(tr_pr, "del"));
  row_.grid_before = GridCount(names_.ChildNumber(tr_pr, "gridBefore", 0), 0);
  row_.grid_after = GridCount(names_.ChildNumber(tr_pr, "gridAfter", 0), 0);
  row_widths_.before = Twips(names_.Child(tr_pr, "wBefore"));
}

void TableBuilder::StartCell() {
  cell_ = Cell();
  cell_width_ = -1;
  cell_merges_into_previous_ = false;
}

void TableBuilder::SetCellProperties(pugi::xml_node tc_pr) {
  cell_.grid_span = GridCount(names_.ChildNumber(tc_pr, "gridSpan", 1), 1);
  if (pugi::xml_node v_merge = names_.Child(tc_pr, "vMerge")) {
    // A w:vMerge without a value continues the merge above.
    bool restart = std::string_view(names_.Attribute(v_merge, "val").value()) == "restart";
    cell_.vertical_merge = restart ? VerticalMerge::kRestart : VerticalMerge::kContinue;
  }
  cell_width_ = Twips(names_.Child(tc_pr, "tcW"));
  pugi::xml_node h_merge = names_.Child(tc_pr, "hMerge");
  cell_merges_into_previous_ =
      h_merge && std::string_view(names_.Attribute(h_merge, "val").value()) != "restart";
}

void TableBuilder::EndCell() {
  if (cell_merges_into_previous_ && !row_.cells.empty()) {
    // The legacy horizontal merge: the cell widens the one before it.
    Cell& first = row_.cells.back();
    first.grid_span = GridCount(first.grid_span + cell_.grid_span, 1);
    if (HasContent(cell_)) {
      for (Block& block : cell_.blocks) first.blocks.push_back(std::move(block));
    }
    int& first_width = row_widths_.cells.back();
    first_width = first_width > 0 && cell_width_ > 0 ? first_width + cell_width_ : -1;
  } else {
    row_.cells.push_back(std::move(cell_));
    row_widths_.cells.push_back(cell_width_);
  }
  cell_ = Cell();
}

void TableBuilder::EndRow() {
  if (row_deleted_ || row_.cells.empty()) return;
  table_->rows.push_back(std::move(row_));
  widths_.push_back(std::move(row_widths_));
}

Status TableBuilder::Finish(std::vector<Block>& out, TableKeys* keys) {
  if (table_->rows.empty()) return Status();  // nothing a page could show
  QM_RETURN_IF_ERROR(FitGrid(*table_, widths_));
  if (keys != nullptr) keys->emplace(table_.get(), std::move(key_));
  out.emplace_back(std::move(table_));
  return Status();
}

int TableBuilder::Twips(pugi::xml_node measure) const {
  std::string_view type = names_.Attribute(measure, "type").value();
  if (!measure || (!type.empty() && type != "dxa")) return -1;
  std::string_view value = names_.Attribute(measure, "w").value();
  int twips = 0;
  auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), twips);
  return error == std::errc() && end == value.data() + value.size() && twips >= 0 ? twips : -1;
}

}  // namespace quillmere::document::docx
