#include "allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> allocation_count{0};
std::atomic<size_t> allocated_bytes{0};

}  // namespace

// The program's operator new and delete: malloc and free, counted. The array
// and nothrow forms call these.
void* operator new(size_t size) {
  allocation_count.fetch_add(1, std::memory_order_relaxed);
  allocated_bytes.fetch_add(size, std::memory_order_relaxed);
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }

namespace quillmere::document::testing {

Allocations AllocationsSoFar() {
  return {allocation_count.load(std::memory_order_relaxed),
          allocated_bytes.load(std::memory_order_relaxed)};
}

}  // namespace quillmere::document::testing
