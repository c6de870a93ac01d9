#include "platform/qt/web_browser.h"

#include <QMetaObject>

#include <algorithm>

#include "platform/encoding/codepage.h"
#include "platform/file_system.h"
#include "platform/limits.h"
#include "platform/program_paths.h"

namespace quillmere {

namespace {

// A rich-text pane lays out about two thousand table rows a second, so a
// long preview is shown only in part, cut at a row or a statement, with a
// note saying where the whole page is. cc.html itself is always whole.
constexpr qsizetype kShownCharacters = 300000;

QString ShownPart(const QString& page, const std::u16string& path) {
  if (page.size() <= kShownCharacters) return page;
  const QString head = page.left(kShownCharacters);
  qsizetype row = head.lastIndexOf(QStringLiteral("\r\n<tr>"));
  QString shown =
      row > 0 ? head.left(row) + QStringLiteral("</tr></table>")
              : head.left(std::max<qsizetype>(0, head.lastIndexOf(QStringLiteral("\r\n<br>"))));
  return shown + QStringLiteral("<p>……预览只显示了页面的前一部分，完整内容见 %1</p>")
                     .arg(QString::fromStdU16String(path).toHtmlEscaped());
}

QString CannotShowPage(const std::u16string& path, const Status& status) {
  return QStringLiteral("无法显示网页：%1\n%2")
      .arg(QString::fromStdU16String(path), QString::fromStdString(status.ToString()));
}

}  // namespace

WebBrowser::WebBrowser(QWidget* parent) : QTextBrowser(parent) {
  // The preview is a page to look at: links lead nowhere, and Tab moves on.
  setOpenLinks(false);
  setOpenExternalLinks(false);
  setTabChangesFocus(true);
}

void WebBrowser::Navigate2(std::u16string_view path) {
  pending_.assign(path);
  if (load_queued_) return;  // one load serves every request made before it
  load_queued_ = true;
  QMetaObject::invokeMethod(this, &WebBrowser::LoadPending, Qt::QueuedConnection);
}

void WebBrowser::LoadPending() {
  load_queued_ = false;
  location_ = pending_;
  std::string bytes;
  Status status = files::Disk().ReadWholeFile(files::NativePath(location_), kMaxPageBytes, &bytes);
  if (!status.ok()) {
    setPlainText(CannotShowPage(location_, status));
    return;
  }
  setHtml(ShownPart(QString::fromStdU16String(codepage::DecodeCp936(bytes)), location_));
}

}  // namespace quillmere
