// Writes tables the way Word's "Save as Web Page" shapes them, for tests and
// benchmarks that need realistic markup.
#pragma once

#include <string>
#include <vector>

namespace quillmere::testing {

struct PageCell {
  std::string text;  // UTF-8, already escaped for HTML
  int colspan = 1;
  int rowspan = 1;
};

// Every row lists the cells that start in it, left to right.
using PageTable = std::vector<std::vector<PageCell>>;

inline std::string WordTableMarkup(const PageTable& table) {
  std::string out =
      "<table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0\r\n"
      " style='border-collapse:collapse;border:none;mso-border-alt:solid windowtext .5pt;\r\n"
      " mso-yfti-tbllook:1184;mso-padding-alt:0cm 5.4pt 0cm 5.4pt'>\r\n";
  for (size_t r = 0; r < table.size(); ++r) {
    out += " <tr style='mso-yfti-irow:" + std::to_string(r) +
           (r == 0 ? ";mso-yfti-firstrow:yes" : "") + "'>\r\n";
    for (const PageCell& cell : table[r]) {
      out += "  <td width=" + std::to_string(95 * cell.colspan);
      if (cell.colspan > 1) out += " colspan=" + std::to_string(cell.colspan);
      if (cell.rowspan > 1) out += " rowspan=" + std::to_string(cell.rowspan);
      out +=
          " valign=top style='width:71.0pt;border:solid windowtext 1.0pt;\r\n"
          "  mso-border-alt:solid windowtext .5pt;padding:0cm 5.4pt 0cm 5.4pt'>\r\n"
          "  <p class=MsoNormal>";
      if (cell.text.empty()) {
        out += "<span lang=EN-US><o:p>&nbsp;</o:p></span></p>\r\n";
      } else {
        out += "<span lang=EN-US>" + cell.text + "<o:p></o:p></span></p>\r\n";
      }
      out += "  </td>\r\n";
    }
    out += " </tr>\r\n";
  }
  out += "</table>\r\n\r\n<p class=MsoNormal><span lang=EN-US><o:p>&nbsp;</o:p></span></p>\r\n";
  return out;
}

}  // namespace quillmere::testing
