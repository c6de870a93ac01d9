#include "platform/memory.h"

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdint>

namespace quillmere::memory {

void PreferHugePages(const void* data, size_t bytes) {
#if defined(MADV_HUGEPAGE)
  constexpr uintptr_t kPage = 4096;
  constexpr size_t kHugePage = size_t{2} << 20;
  const auto begin = (reinterpret_cast<uintptr_t>(data) + kPage - 1) & ~(kPage - 1);
  const auto end = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kPage - 1);
  if (end < begin + 2 * kHugePage) return;
  // Only a hint: a system that refuses it is no worse off.
  (void)madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#endif
}

void ReturnFreedMemory() {
#if defined(__GLIBC__)
  (void)malloc_trim(0);
#endif
}

}  // namespace quillmere::memory
