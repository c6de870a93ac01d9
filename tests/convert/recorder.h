// A TableSink and Progress that write down everything the conversion says,
// in order, as UTF-8 lines a test can compare.
#pragma once

#include <string>
#include <vector>

#include "convert/table_sink.h"
#include "platform/encoding/unicode.h"

namespace quillmere::testing {

inline std::string U8(std::u16string_view s) { return unicode::ToUtf8(s); }
inline std::u16string U16(std::string_view s) { return unicode::FromUtf8(s); }

class Recorder : public TableSink, public Progress {
 public:
  // Every event: "status TEXT", "yield", "begin", "cell K TEXT", "row I", "finish".
  std::vector<std::string> events;
  // The cell texts of every row.
  std::vector<std::vector<std::string>> grid;
  // Fail the n-th yield (1-based) with kRunCancelled; 0 never.
  int fail_yield_at = 0;

  Status BeginRows() override {
    events.push_back("begin");
    return Status();
  }
  Status Cell(int64_t k, std::u16string_view text) override {
    events.push_back("cell " + std::to_string(k) + " " + U8(text));
    row_.push_back(U8(text));
    return Status();
  }
  Status EndRow(int64_t i) override {
    events.push_back("row " + std::to_string(i));
    grid.push_back(std::move(row_));
    row_.clear();
    return Status();
  }
  Status Finish() override {
    events.push_back("finish");
    return Status();
  }
  void ShowStatus(std::u16string_view text) override { events.push_back("status " + U8(text)); }
  Status Yield() override {
    events.push_back("yield");
    if (++yields_ == fail_yield_at) return Status(ErrorNumber::kRunCancelled, "cancelled");
    return Status();
  }

  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : events) {
      if (e.rfind(prefix, 0) == 0) out.push_back(e);
    }
    return out;
  }

 private:
  int yields_ = 0;
  std::vector<std::string> row_;
};

}  // namespace quillmere::testing
