#include "table_grid.h"

#include "platform/encoding/unicode.h"

namespace quillmere::document::testing {
namespace {

void AppendParagraph(const Paragraph& paragraph, std::u16string* text) {
  if (paragraph.list_label) text->append(paragraph.list_label->text);
  for (const Inline& piece : paragraph.inlines) {
    switch (piece.kind) {
      case Inline::Kind::kText:
        text->append(piece.text);
        break;
      case Inline::Kind::kLineBreak:
        text->push_back(u'\n');
        break;
      case Inline::Kind::kTab:
        text->push_back(u'\t');
        break;
      case Inline::Kind::kFootnoteReference:
      case Inline::Kind::kEndnoteReference:
        text->append(piece.custom_mark ? piece.text : u"[" + piece.text + u"]");
        break;
    }
  }
}

void Collect(const std::vector<Block>& blocks, int depth, std::vector<ExpandedTable>* out);

ExpandedTable Expand(const Table& table, int depth) {
  ExpandedTable expanded;
  expanded.depth = depth;
  size_t columns = table.grid_column_widths.size();
  std::vector<std::string> carried(columns);
  for (const Row& row : table.rows) {
    std::vector<std::string> texts(columns);
    size_t column = row.grid_before;
    for (const Cell& cell : row.cells) {
      std::string text = cell.vertical_merge == VerticalMerge::kContinue && column < columns
                             ? carried[column]
                             : CellText(cell);
      for (int k = 0; k < cell.grid_span && column < columns; ++k, ++column) {
        texts[column] = text;
        carried[column] = cell.vertical_merge == VerticalMerge::kNone ? "" : text;
      }
    }
    expanded.rows.push_back(std::move(texts));
  }
  return expanded;
}

void Collect(const std::vector<Block>& blocks, int depth, std::vector<ExpandedTable>* out) {
  for (const Block& block : blocks) {
    const auto* table = std::get_if<std::unique_ptr<Table>>(&block);
    if (table == nullptr) continue;
    out->push_back(Expand(**table, depth));
    for (const Row& row : (*table)->rows) {
      for (const Cell& cell : row.cells) Collect(cell.blocks, depth + 1, out);
    }
  }
}

}  // namespace

std::string CellText(const Cell& cell) {
  std::u16string text;
  bool first = true;
  for (const Block& block : cell.blocks) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph == nullptr) continue;
    if (!first) text.push_back(u'\n');
    first = false;
    AppendParagraph(*paragraph, &text);
  }
  return unicode::ToUtf8(text);
}

std::vector<ExpandedTable> ExpandTables(const Document& document) {
  std::vector<ExpandedTable> tables;
  Collect(document.body, 1, &tables);
  return tables;
}

std::string Render(const ExpandedTable& table) {
  std::string out;
  for (const auto& row : table.rows) {
    for (size_t i = 0; i < row.size(); ++i) out += (i ? " | " : "") + row[i];
    out += "\n";
  }
  return out;
}

}  // namespace quillmere::document::testing
