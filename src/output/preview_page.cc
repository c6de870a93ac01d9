#include "output/preview_page.h"

#include "convert/ustring.h"
#include "output/insert_statements.h"

namespace quillmere {

namespace {

constexpr std::u16string_view kCellEnd = u"</td>";
constexpr std::u16string_view kCellTextPrefix = u"<td>";
constexpr std::u16string_view kEmptyCell = u"<td></td>";
constexpr std::u16string_view kShownEmptyCell = u"<td>&nbsp;</td>";
constexpr std::u16string_view kRowStart = u"\r\n<tr>";
constexpr std::string_view kPageStart = "<table border=1> ";

}  // namespace

Status PreviewPage::BeginRows() {
  strPreviewRow_.assign(kRowStart);
  strRows_.clear();
  if (stream_ == nullptr || start_streamed_) return Status();
  start_streamed_ = true;
  return (*stream_)(kPageStart);
}

Status PreviewPage::Cell(int64_t, std::u16string_view strCellText) {
  if (kept_) {
    if (strCellText.substr(0, kCellTextPrefix.size()) == kCellTextPrefix) {
      strPreviewRow_.append(kCellTextPrefix);
      strCellText.remove_prefix(kCellTextPrefix.size());
    }
    AppendEscaped(strCellText, strPreviewRow_);
  } else {
    strPreviewRow_.append(strCellText);
  }
  strPreviewRow_.append(kCellEnd);
  return Status();
}

// A row goes to the page as the page shows it: every "<td></td>" of it as
// "<td>&nbsp;</td>". No "<td></td>" reaches from one row into the next, so
// the page is what showing them all at once in the joined rows gives.
Status PreviewPage::EndRow(int64_t i) {
  if (RowIsTaken(i, strTableFirstLine_)) {
    strPreviewRow_.append(kCellEnd);
    shown_row_.clear();
    std::u16string_view rest = strPreviewRow_;
    for (size_t at = text::IndexOf(rest, kEmptyCell); at != std::u16string_view::npos;
         at = text::IndexOf(rest, kEmptyCell)) {
      shown_row_.append(rest.substr(0, at)).append(kShownEmptyCell);
      rest.remove_prefix(at + kEmptyCell.size());
    }
    shown_row_.append(rest);
    strRows_.Append(shown_row_);
  }
  strPreviewRow_.assign(kRowStart);
  if (stream_ == nullptr) return Status();
  for (const std::string& block : strRows_.TakeFullBlocks()) QM_RETURN_IF_ERROR((*stream_)(block));
  return Status();
}

void PreviewPage::AppendSpanningRow(std::u16string_view text, int64_t columns) {
  std::u16string row = u"\r\n<tr><td colspan=" + text::FromNumber(columns) + u"><b>";
  AppendEscaped(text, row);
  strRows_.Append(row.append(u"</b></td>"));
}

std::vector<std::string_view> PreviewPage::PagePieces(const TextLog& strSqlLog) const {
  std::vector<std::string_view> pieces;
  if (!start_streamed_) pieces.push_back(kPageStart);
  for (const std::string& block : strRows_.blocks()) pieces.push_back(block);
  pieces.push_back("</tr></table>");
  for (const std::string& block : strSqlLog.blocks()) pieces.push_back(block);
  pieces.push_back("\r\n");
  return pieces;
}

}  // namespace quillmere
