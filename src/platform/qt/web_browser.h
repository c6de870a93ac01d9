// WebBrowser1: the pane that shows the preview page.
#pragma once

#include <QTextBrowser>
#include <string>

#include "platform/browser.h"

namespace quillmere {

// A rich-text pane, enough for the preview's plain table markup. It starts
// empty and shows only pages the program asks for.
class WebBrowser : public QTextBrowser, public Browser {
  Q_OBJECT

 public:
  explicit WebBrowser(QWidget* parent = nullptr);

  // Returns at once; the page is read when the event loop next runs, so the
  // page written after this call is the one shown. Decoded as code page 936,
  // as a page that declares no character set is.
  void Navigate2(std::u16string_view path) override;

  // The path of the page shown last, as the program named it.
  const std::u16string& LocationPath() const { return location_; }

 private:
  void LoadPending();

  std::u16string pending_;
  std::u16string location_;
  bool load_queued_ = false;
};

}  // namespace quillmere
