#include "allocations.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<size_t> allocation_count{0};
std::atomic<size_t> allocated_bytes{0};

void* Allocate(size_t size) noexcept {
  allocation_count.fetch_add(1, std::memory_order_relaxed);
  allocated_bytes.fetch_add(size, std::memory_order_relaxed);
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

// The program's operator new and delete, every form but the over-aligned
// ones: malloc and free, counted. All of them, so that memory never passes
// from one allocator to another (a sanitizer would stop the program).
void* operator new(size_t size) {
  if (void* memory = Allocate(size)) return memory;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }

namespace quillmere::document::testing {

Allocations AllocationsSoFar() {
  return {allocation_count.load(std::memory_order_relaxed),
          allocated_bytes.load(std::memory_order_relaxed)};
}

}  // namespace quillmere::document::testing
