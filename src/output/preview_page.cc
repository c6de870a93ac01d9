#include "output/preview_page.h"

#include "convert/ustring.h"
#include "output/insert_statements.h"
#include "platform/encoding/codepage.h"
#include "platform/memory.h"

namespace quillmere {

namespace {

constexpr std::u16string_view kCellEnd = u"</td>";
constexpr std::u16string_view kCellTextPrefix = u"<td>";
constexpr std::u16string_view kEmptyCell = u"<td></td>";
constexpr std::u16string_view kShownEmptyCell = u"<td>&nbsp;</td>";
constexpr codepage::Unencodable kStandIn = codepage::Unencodable::kQuestionMark;

}  // namespace

Status PreviewPage::BeginRows() {
  strPreviewRow_.clear();
  strRows_.clear();
  return Status();
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

Status PreviewPage::EndRow(int64_t i) {
  if (RowIsTaken(i, strTableFirstLine_)) {
    strPreviewRow_.insert(0, u"\r\n<tr>").append(kCellEnd);
    strRows_.Append(strPreviewRow_);
  }
  strPreviewRow_.clear();
  return Status();
}

void PreviewPage::AppendSpanningRow(std::u16string_view text, int64_t columns) {
  std::u16string row = u"\r\n<tr><td colspan=" + text::FromNumber(columns) + u"><b>";
  AppendEscaped(text, row);
  strRows_.Append(row.append(u"</b></td>"));
}

// Encoded piece by piece into one buffer: the pieces end at ASCII
// characters, never inside a surrogate pair, so the bytes are those of the
// whole page encoded at once. A "<td></td>" stands inside one row, and a row
// inside one block.
std::string PreviewPage::Page(const TextLog& strSqlLog) const {
  std::string page;
  const size_t units = strRows_.size() + strSqlLog.size() + 64;
  page.reserve(units + units / 8);
  memory::PreferHugePages(page.data(), page.capacity());
  codepage::AppendCp936(u"<table border=1> ", kStandIn, &page);
  for (const std::u16string& block : strRows_.blocks()) {
    std::u16string_view rest = block;
    for (size_t at = text::IndexOf(rest, kEmptyCell); at != std::u16string_view::npos;
         at = text::IndexOf(rest, kEmptyCell)) {
      codepage::AppendCp936(rest.substr(0, at), kStandIn, &page);
      codepage::AppendCp936(kShownEmptyCell, kStandIn, &page);
      rest.remove_prefix(at + kEmptyCell.size());
    }
    codepage::AppendCp936(rest, kStandIn, &page);
  }
  codepage::AppendCp936(u"</tr></table>", kStandIn, &page);
  for (const std::u16string& block : strSqlLog.blocks()) {
    codepage::AppendCp936(block, kStandIn, &page);
  }
  codepage::AppendCp936(u"\r\n", kStandIn, &page);
  return page;
}

}  // namespace quillmere
