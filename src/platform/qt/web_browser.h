// WebBrowser1: the pane that shows the preview page, in a browser engine.
#pragma once

#include <QFutureWatcher>
#include <QUrl>
#include <QWebEngineView>
#include <memory>
#include <string>

#include "platform/browser.h"
#include "platform/status.h"

class QWebEngineProfile;

namespace quillmere {

class PageParts;

// A Qt WebEngine view (PrepareWebEngine in web_engine.h comes first). It
// starts empty and shows only pages the program asks for; links lead
// nowhere, and the page runs no scripts.
//
// A page up to `part_bytes` long is loaded by the engine from its file. A
// longer one, which the engine would take too long to lay out (or run out of
// memory on), is read whole, away from the window's thread, and shown in
// parts of about that size, each the engine's own rendering of its rows,
// with links to the others at its top and bottom.
class WebBrowser : public QWebEngineView, public Browser {
  Q_OBJECT

 public:
  static constexpr size_t kPartBytes = size_t{512} << 10;

  explicit WebBrowser(QWidget* parent = nullptr, size_t part_bytes = kPartBytes);
  ~WebBrowser() override;

  // Returns at once; the page is read when the event loop next runs, so the
  // page written after this call is the one shown, and of several calls
  // before then the last. Read as code page 936, as a page that declares no
  // character set is.
  void Navigate2(std::u16string_view path) override;

  // The path of the page shown last, as the program named it.
  const std::u16string& LocationPath() const { return location_; }

  // How many parts the page shown last is in: 0 before any page and for one
  // that could not be read, 1 for a page shown whole.
  int PartCount() const;
  // Shows part `index` (from 0) of that page, as its links do.
  void ShowPart(int index);
  // The address the pane serves part `index` of that page at.
  QUrl PartUrl(int index) const;

 private:
  class PartServer;
  struct PartsRead {
    int generation;
    Status status;
    std::shared_ptr<const PageParts> parts;
  };

  void LoadPending();
  void ShowInParts(const std::string& native_path);
  void PartsReady();
  void ShowCannotShow(const QString& reason);
  QByteArray PartPage(int index) const;

  const size_t part_bytes_;
  QWebEngineProfile* profile_;
  QFutureWatcher<PartsRead>* reading_;
  std::u16string pending_;
  std::u16string location_;
  bool load_queued_ = false;
  bool whole_page_ = false;                 // shown from its file
  std::shared_ptr<const PageParts> parts_;  // or read and shown in parts
  int generation_ = 0;                      // of parts_, in the parts' addresses
  QUrl asked_;                              // of the load asked for last
};

}  // namespace quillmere
