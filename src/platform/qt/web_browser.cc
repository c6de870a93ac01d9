#include "platform/qt/web_browser.h"

#include <QMetaObject>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/limits.h"

namespace quillmere {

namespace {

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
  Status status = files::ReadWholeFile(files::NativePath(location_), kMaxPageBytes, &bytes);
  if (!status.ok()) {
    setPlainText(CannotShowPage(location_, status));
    return;
  }
  setHtml(QString::fromStdU16String(codepage::DecodeCp936(bytes)));
}

}  // namespace quillmere
