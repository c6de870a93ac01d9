#include "output/preview_page.h"

#include "convert/ustring.h"
#include "output/insert_statements.h"

namespace quillmere {

Status PreviewPage::BeginRows() {
  strPreviewRow_.clear();
  strRows_.clear();
  return Status();
}

namespace {
constexpr std::u16string_view kCellEnd = u"</td>";
}  // namespace

Status PreviewPage::Cell(int64_t, std::u16string_view strCellText) {
  strPreviewRow_.append(strCellText).append(kCellEnd);
  return Status();
}

Status PreviewPage::EndRow(int64_t i) {
  if (RowIsTaken(i, strTableFirstLine_)) {
    strRows_.append(u"\r\n<tr>").append(strPreviewRow_).append(kCellEnd);
  }
  strPreviewRow_.clear();
  return Status();
}

std::u16string PreviewPage::Content(std::u16string_view strSqlLog) const {
  std::u16string page = u"<table border=1> ";
  page.append(text::ReplaceAll(strRows_, u"<td></td>", u"<td>&nbsp;</td>"));
  page.append(u"</tr></table>").append(strSqlLog).append(u"\r\n");
  return page;
}

}  // namespace quillmere
