// What every fuzz target checks beyond "no crash, no sanitizer report": a
// failure carries a number and a description, and the conversion hands its
// rows on as it promises.
#pragma once

#include <cstdio>
#include <cstdlib>

#include "convert/table_sink.h"
#include "platform/status.h"

namespace quillmere::fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

#define QM_FUZZ_CHECK(condition)                           \
  do {                                                     \
    if (!(condition)) ::quillmere::fuzz::Fail(#condition); \
  } while (0)

// A failure must say what failed.
inline void CheckReported(const Status& status) {
  if (status.ok()) return;
  QM_FUZZ_CHECK(status.code() != 0);
  QM_FUZZ_CHECK(!status.description().empty());
}

// Checks the order of what the conversion hands on: BeginRows once, then for
// rows 1, 2, ... cells k = 0, 1, ... (at least one), each row ended, then
// Finish once. Counts the rows. Every row is rebuilt to the same cells, but a
// row that receives a carried cell whose markup holds "</td>" (as
// "</tdrowspan=2>" does once its span is cut) is split there too;
// `same_width` says the markup cannot hold that, so every row must have the
// same number of cells.
class CheckingSink : public TableSink {
 public:
  explicit CheckingSink(bool same_width) : same_width_(same_width) {}

  Status BeginRows() override {
    QM_FUZZ_CHECK(!begun_);
    begun_ = true;
    return Status();
  }
  Status Cell(int64_t k, std::u16string_view) override {
    QM_FUZZ_CHECK(begun_ && !finished_);
    QM_FUZZ_CHECK(k == next_k_);
    ++next_k_;
    return Status();
  }
  Status EndRow(int64_t i) override {
    QM_FUZZ_CHECK(begun_ && !finished_);
    QM_FUZZ_CHECK(i == rows_ + 1);
    QM_FUZZ_CHECK(next_k_ >= 1);
    QM_FUZZ_CHECK(!same_width_ || rows_ == 0 || next_k_ == columns_);
    columns_ = next_k_;
    next_k_ = 0;
    rows_ = i;
    return Status();
  }
  Status Finish() override {
    QM_FUZZ_CHECK(begun_ && !finished_ && next_k_ == 0);
    finished_ = true;
    return Status();
  }

  int64_t rows() const { return rows_; }
  // Cells of the last row.
  int64_t columns() const { return columns_; }
  bool finished() const { return finished_; }

 private:
  const bool same_width_;
  bool begun_ = false, finished_ = false;
  int64_t next_k_ = 0, columns_ = 0, rows_ = 0;
};

}  // namespace quillmere::fuzz
