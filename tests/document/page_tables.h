// What the conversion makes of the tables of a saved web page, and whether
// the page's tables are proper grids, for tests.
#pragma once

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "convert/conversion.h"
#include "convert/recorder.h"
#include "convert/ustring.h"
#include "platform/encoding/codepage.h"

namespace quillmere::document::testing {

using Grid = std::vector<std::vector<std::string>>;

// The page's text cut at every "<table ", as the start command cuts it;
// element 0 is the text before the first table.
inline std::vector<std::u16string> PagePieces(const std::string& page_bytes) {
  std::u16string page = codepage::DecodeCp936(page_bytes);
  std::vector<std::u16string> pieces;
  for (text::TextView piece : text::Split(page, u"<table ")) pieces.emplace_back(piece);
  return pieces;
}

// The grid the conversion makes of one piece. A cell text loses the "<td>"
// the conversion puts before it; a cell without it (a row's trailing line
// breaks standing in for a missing cell) keeps its raw text, so a test
// sees it.
inline Status ConvertPiece(std::u16string_view piece, Grid* grid) {
  quillmere::testing::Recorder recorder;
  QM_RETURN_IF_ERROR(ConvertTable(piece, recorder, recorder));
  grid->clear();
  for (auto& row : recorder.grid) {
    for (auto& cell : row) {
      if (cell.rfind("<td>", 0) == 0) cell.erase(0, 4);
    }
    grid->push_back(row);
  }
  return Status();
}

// The shape of one table of the page, read from its tags alone.
struct TableShape {
  int depth = 0;       // 0 for a table in the body
  bool nests = false;  // holds a table in one of its cells
  int rows = 0;
  int columns = 0;          // of the first row
  bool rectangular = true;  // every row covers the same columns, none twice
};

// The page's tables in the order they open, laid out as a browser would lay
// out their colspan and rowspan.
inline std::vector<TableShape> TableShapes(const std::string& page_bytes) {
  struct Open {
    size_t index;
    std::vector<int> covered;                // per column: rows still covered from above
    std::vector<std::pair<int, int>> cells;  // the row's colspan, rowspan
  };
  std::vector<TableShape> shapes;
  std::vector<Open> open;
  static const std::regex kTag(R"(<(/?)(table|tr|td)\b([^>]*)>)");
  static const std::regex kColspan(R"(colspan=(\d+))"), kRowspan(R"(rowspan=(\d+))");
  auto span = [](const std::string& attributes, const std::regex& pattern) {
    std::smatch m;
    return std::regex_search(attributes, m, pattern) ? std::stoi(m[1]) : 1;
  };
  for (std::sregex_iterator it(page_bytes.begin(), page_bytes.end(), kTag), end; it != end; ++it) {
    bool closing = (*it)[1] == "/";
    std::string tag = (*it)[2], attributes = (*it)[3];
    if (tag == "table" && !closing) {
      if (!open.empty()) shapes[open.back().index].nests = true;
      shapes.push_back({static_cast<int>(open.size())});
      open.push_back({shapes.size() - 1, {}, {}});
    } else if (tag == "table") {
      open.pop_back();
    } else if (tag == "td" && !closing) {
      open.back().cells.push_back({span(attributes, kColspan), span(attributes, kRowspan)});
    } else if (tag == "tr" && closing) {
      Open& table = open.back();
      TableShape& shape = shapes[table.index];
      size_t column = 0;
      for (auto [colspan, rowspan] : table.cells) {
        while (column < table.covered.size() && table.covered[column] > 0) ++column;
        for (int c = 0; c < colspan; ++c, ++column) {
          if (column >= table.covered.size()) table.covered.resize(column + 1, 0);
          if (table.covered[column] > 0) shape.rectangular = false;
          table.covered[column] = rowspan;
        }
      }
      int width = static_cast<int>(table.covered.size());
      width -= static_cast<int>(std::count(table.covered.begin(), table.covered.end(), 0));
      if (shape.rows++ == 0) shape.columns = width;
      if (width != shape.columns || width != static_cast<int>(table.covered.size())) {
        shape.rectangular = false;
      }
      for (int& rows_left : table.covered) rows_left = std::max(rows_left - 1, 0);
      table.cells.clear();
    }
  }
  return shapes;
}

}  // namespace quillmere::document::testing
