// Status texts on standard error, for the command line's --progress.
#pragma once

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <string>

#include "convert/table_sink.h"
#include "platform/encoding/printable.h"
#include "platform/encoding/unicode.h"

namespace quillmere::cli {

// Status texts on standard error as the run goes: on a terminal one line
// rewritten in place (at most every 50 ms; the last text always shows),
// elsewhere one line per text.
class StderrProgress : public Progress {
 public:
  explicit StderrProgress(bool enabled) : enabled_(enabled), terminal_(::isatty(2) == 1) {}

  void ShowStatus(std::u16string_view text) override {
    if (!enabled_) return;
    if (!terminal_) {
      std::clog << Printable(text) << "\n";
      return;
    }
    pending_ = text;
    const auto now = std::chrono::steady_clock::now();
    if (now - shown_at_ >= std::chrono::milliseconds(50)) Show(now);
  }
  Status Yield() override { return Status(); }

  // Shows the last text and ends the line.
  void Done() {
    if (!enabled_) return;
    if (terminal_ && !pending_.empty()) Show(std::chrono::steady_clock::now());
    if (terminal_ && !pending_.empty()) std::clog << "\n";
    std::clog.flush();
  }

 private:
  // A status text names documents, whose names may hold anything.
  static std::string Printable(std::u16string_view text) {
    return printable::Escaped(unicode::ToUtf8(text));
  }
  void Show(std::chrono::steady_clock::time_point now) {
    std::clog << "\r" << Printable(pending_) << "\x1b[K" << std::flush;
    shown_at_ = now;
  }

  const bool enabled_;
  const bool terminal_;
  std::u16string pending_;
  std::chrono::steady_clock::time_point shown_at_;
};

}  // namespace quillmere::cli
