// Writes a document as a web page in the shape Word's "Save as Web Page"
// (file format 8) gives it, in code page 936.
//
// The table conversion cuts the page at every "<table " and reads rows and
// cells by their tags and line breaks, so tables keep Word's shape exactly:
//
//   <table class=MsoTableGrid border=1 cellspacing=0 cellpadding=0
//    style='...'>
//    <tr style='mso-yfti-irow:0;mso-yfti-firstrow:yes'>
//     <td width=189 colspan=2 valign=top style='width:142.0pt;...
//     ...'>
//     <p class=MsoNormal>text<o:p></o:p></p>
//     </td>
//    </tr>
//   </table>
//
// (indented here by one more blank than on the page). Lines end in CR LF;
// every row and cell tag has attributes; colspan and rowspan are unquoted
// and followed by a blank; cells covered by a vertical merge get no <td>;
// rows shorter than the grid get Word's placeholder cells
// (mso-cell-special:placeholder) before or after their own; a row whose
// cells all continue merges from above is a <tr> without cells; nested
// tables stand inside their cell among its paragraphs, in document order.
// Word's extra row for browsers without misaligned columns
// (<![if !supportMisalignedColumns]>) is not written: the conversion would
// take it for a row of empty cells.
// A list paragraph starts with its label and a note reference is Word's
// link with its mark in brackets ("[1]"), so both become part of a cell's
// value as they do on Word's page; the notes' own texts follow the body,
// outside every table. Characters outside code page 936 are written as
// "&#NNNNN;".
#pragma once

#include <string>

#include "document/model.h"
#include "platform/file_system.h"
#include "platform/limits.h"
#include "platform/status.h"

namespace quillmere::document::web_page {

// The whole page, as bytes in code page 936, into `page`. A document whose
// page would pass `max_bytes` fails with kDocumentTooLarge, leaving `page`
// empty; the writer stops as soon as the page passes the limit.
Status Write(const Document& document, std::string* page, uint64_t max_bytes = kMaxPageBytes);

// The same, handed to `write` a piece at a time as it is encoded, so that the
// page never stands in memory whole. A page that would pass `max_bytes` stops
// before its piece that passes it, with kDocumentTooLarge; a failure of
// `write` stops it at once and is the result.
Status Write(const Document& document, const files::FileSystem::PieceWriter& write,
             uint64_t max_bytes = kMaxPageBytes);

}  // namespace quillmere::document::web_page
