#include "platform/qt/web_browser.h"

#include <QBuffer>
#include <QFile>
#include <QMetaObject>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNavigationRequest>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlSchemeHandler>
#include <QtConcurrent/QtConcurrentRun>

#include <functional>
#include <utility>

#include "platform/encoding/codepage.h"
#include "platform/file_system.h"
#include "platform/limits.h"
#include "platform/program_paths.h"
#include "platform/qt/page_parts.h"
#include "platform/qt/web_engine.h"

namespace quillmere {

namespace {

// The links at the top and bottom of part `index` of `count`, to the part
// before, the part after and every part by its number.
QString PartLinks(int index, int count, const std::function<QUrl(int)>& url) {
  auto link = [&](int to, const QString& text) {
    return QStringLiteral("<a href=\"%1\">%2</a> ").arg(url(to).toString(QUrl::FullyEncoded), text);
  };
  QString links =
      QStringLiteral("<p>页面较长，分 %1 部分显示，这是第 %2 部分。 ").arg(count).arg(index + 1);
  if (index > 0) links += link(index - 1, QStringLiteral("上一部分"));
  if (index + 1 < count) links += link(index + 1, QStringLiteral("下一部分"));
  links += QStringLiteral("　");
  for (int to = 0; to < count; ++to) {
    links +=
        to == index ? QStringLiteral("<b>%1</b> ").arg(to + 1) : link(to, QString::number(to + 1));
  }
  return links + QStringLiteral("</p>");
}

}  // namespace

// Answers the engine's requests for the parts of the page shown last, at
// quillmere-part://page/GENERATION/INDEX; a part of an earlier page is not found.
class WebBrowser::PartServer : public QWebEngineUrlSchemeHandler {
 public:
  explicit PartServer(WebBrowser* browser)
      : QWebEngineUrlSchemeHandler(browser), browser_(*browser) {}

  void requestStarted(QWebEngineUrlRequestJob* job) override {
    // A page shown whole, from its file, has no parts to serve.
    const int parts = browser_.parts_ == nullptr ? 0 : browser_.PartCount();
    for (int index = 0; index < parts; ++index) {
      if (job->requestUrl() != browser_.PartUrl(index)) continue;
      auto* page = new QBuffer(job);
      page->setData(browser_.PartPage(index));
      job->reply("text/html", page);  // read in the profile's default encoding
      return;
    }
    job->fail(QWebEngineUrlRequestJob::UrlNotFound);
  }

 private:
  const WebBrowser& browser_;
};

WebBrowser::WebBrowser(QWidget* parent, size_t part_bytes)
    : QWebEngineView(parent),
      part_bytes_(part_bytes),
      profile_(new QWebEngineProfile(this)),
      reading_(new QFutureWatcher<PartsRead>(this)) {
  // An off-the-record profile of its own: nothing is kept on disk, and the
  // parts it serves are this pane's.
  QWebEngineSettings* settings = profile_->settings();
  settings->setDefaultTextEncoding(QStringLiteral("GBK"));
  settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
  settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
  profile_->installUrlSchemeHandler(kPagePartScheme, new PartServer(this));
  auto* web_page = new QWebEnginePage(profile_, this);
  connect(web_page, &QWebEnginePage::navigationRequested, [](QWebEngineNavigationRequest& request) {
    if (request.navigationType() == QWebEngineNavigationRequest::LinkClickedNavigation &&
        request.url().scheme() != QLatin1String(kPagePartScheme)) {
      request.reject();
    }
  });
  connect(web_page, &QWebEnginePage::loadingChanged, this,
          [this](const QWebEngineLoadingInfo& info) {
            constexpr int kAborted = -3;  // by the next load: not a failure to show
            if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus && info.url() == asked_ &&
                info.errorCode() != kAborted) {
              ShowCannotShow(info.errorString());
            }
          });
  connect(web_page, &QWebEnginePage::renderProcessTerminated, this,
          [this](QWebEnginePage::RenderProcessTerminationStatus status, int) {
            if (status == QWebEnginePage::NormalTerminationStatus || asked_.isEmpty()) return;
            ShowCannotShow(QStringLiteral("浏览器引擎显示它时出错而停止。"));
          });
  setPage(web_page);
  connect(reading_, &QFutureWatcherBase::finished, this, &WebBrowser::PartsReady);
  // A place in the window's tab order from the start; the engine's own
  // widget, made when the view is first shown, takes the focus for it.
  setFocusPolicy(Qt::StrongFocus);
}

// The page goes before its profile.
WebBrowser::~WebBrowser() { delete page(); }

void WebBrowser::Navigate2(std::u16string_view path) {
  pending_.assign(path);
  if (load_queued_) return;  // one load serves every request made before it
  load_queued_ = true;
  QMetaObject::invokeMethod(this, &WebBrowser::LoadPending, Qt::QueuedConnection);
}

void WebBrowser::LoadPending() {
  load_queued_ = false;
  location_ = pending_;
  parts_.reset();
  asked_.clear();
  ++generation_;
  const std::string native = files::NativePath(location_);
  // One byte more than a part tells whether the page needs parts. A page
  // that cannot be read goes to the engine, which says why it cannot show it.
  std::string head;
  const bool readable = files::Disk().ReadFileHead(native, part_bytes_ + 1, &head).ok();
  whole_page_ = !readable || head.size() <= part_bytes_;
  if (!whole_page_) {
    ShowInParts(native);
    return;
  }
  asked_ = QUrl::fromLocalFile(QFile::decodeName(native.c_str()));
  load(asked_);
}

// Read and cut away from the window's thread: a page of some hundred
// megabytes takes a second. The reading knows nothing of the pane, which may
// be gone, or showing a later page, when it ends.
void WebBrowser::ShowInParts(const std::string& native_path) {
  reading_->setFuture(
      QtConcurrent::run([native_path, part_bytes = part_bytes_, generation = generation_] {
        PartsRead read{generation, Status(), nullptr};
        std::string bytes;
        read.status = files::Disk().ReadWholeFile(native_path, kMaxPageBytes, &bytes);
        if (read.status.ok())
          read.parts = std::make_shared<PageParts>(std::move(bytes), part_bytes);
        return read;
      }));
}

void WebBrowser::PartsReady() {
  const PartsRead read = reading_->result();
  if (read.generation != generation_) return;
  if (!read.status.ok()) {
    ShowCannotShow(QString::fromStdString(read.status.ToString()));
    return;
  }
  parts_ = read.parts;
  ShowPart(0);
}

int WebBrowser::PartCount() const {
  if (parts_ != nullptr) return static_cast<int>(parts_->count());
  return whole_page_ ? 1 : 0;
}

void WebBrowser::ShowPart(int index) {
  if (parts_ == nullptr || index < 0 || index >= PartCount()) return;
  asked_ = PartUrl(index);
  load(asked_);
}

QUrl WebBrowser::PartUrl(int index) const {
  return QUrl(QStringLiteral("%1://page/%2/%3")
                  .arg(QLatin1String(kPagePartScheme))
                  .arg(generation_)
                  .arg(index));
}

QByteArray WebBrowser::PartPage(int index) const {
  const QString links = PartLinks(index, PartCount(), [this](int to) { return PartUrl(to); });
  const std::string bytes =
      codepage::EncodeCp936(links.toStdU16String(), codepage::Unencodable::kCharacterReference);
  QByteArray page = QByteArray::fromStdString(bytes);
  page += QByteArray::fromStdString(parts_->Part(index));
  return page + QByteArray::fromStdString(bytes);
}

void WebBrowser::ShowCannotShow(const QString& reason) {
  whole_page_ = false;
  parts_.reset();
  asked_.clear();
  setHtml(QStringLiteral("无法显示网页：%1<br>%2")
              .arg(QString::fromStdU16String(location_).toHtmlEscaped(), reason.toHtmlEscaped()));
}

}  // namespace quillmere
