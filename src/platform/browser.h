// The browser pane, as the conversion command drives it.
#pragma once

#include <string_view>

namespace quillmere {

class Browser {
 public:
  virtual ~Browser() = default;
  // Asks the pane to show the page at `path` (a file path as the commands
  // write it). Returns at once; the page is loaded afterwards, so a page
  // written after the call is the one shown.
  virtual void Navigate2(std::u16string_view path) = 0;
};

// A pane that shows nothing, for runs without a window.
class NoBrowser : public Browser {
 public:
  void Navigate2(std::u16string_view) override {}
};

}  // namespace quillmere
