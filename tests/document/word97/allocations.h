// Test helper: counts what the test program allocates with operator new, so
// a test can show that work grows in proportion to its input without timing
// it on a machine that may be busy.
#pragma once

#include <cstddef>

namespace quillmere::document::testing {

struct Allocations {
  size_t count = 0;
  size_t bytes = 0;
};

// Every allocation through operator new since the program started.
Allocations AllocationsSoFar();

}  // namespace quillmere::document::testing
