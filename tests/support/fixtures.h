// The real documents and pages from other projects that some tests read,
// kept in the shared fixtures folder (QUILLMERE_FIXTURES) and never copied
// into the repository. Where it is absent those tests skip, except in CI
// (the environment variable CI set), where it must be there: they fail.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillmere::testing {

// `relative` inside the fixtures folder.
inline std::filesystem::path FixturePath(const std::string& relative) {
  return std::filesystem::path(QUILLMERE_FIXTURES) / relative;
}

inline bool InCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && *ci != '\0';
}

}  // namespace quillmere::testing

// Ends the test (from its body or SetUp) when the fixture `relative`, a file
// or a folder, is absent: a skip, or in CI a failure.
#define QM_REQUIRE_FIXTURE(relative)                                                         \
  do {                                                                                       \
    const std::filesystem::path qm_fixture_ = ::quillmere::testing::FixturePath(relative);   \
    if (std::filesystem::exists(qm_fixture_)) break;                                         \
    if (::quillmere::testing::InCi()) FAIL() << "no fixture at " << qm_fixture_ << " in CI"; \
    GTEST_SKIP() << "no fixture at " << qm_fixture_;                                         \
  } while (0)
