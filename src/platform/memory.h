// Memory hints for the program's few large buffers (a page read whole, its
// text, the preview page).
#pragma once

#include <cstddef>

namespace quillmere::memory {

// Asks the system to back the untouched buffer [data, data + bytes) with
// huge pages where it can. A large fresh buffer then costs one page fault per
// 2 MiB rather than per 4 KiB, which on virtual machines is most of the time
// spent filling it. Nothing changes but speed; buffers under a few MiB, and
// systems without such pages, are left alone.
void PreferHugePages(const void* data, size_t bytes);

// Hands the memory freed so far back to the system where the allocator
// keeps it for reuse: after a large structure of many small blocks is
// freed, the process no longer counts it as its own. Nothing changes but
// the memory the process holds.
void ReturnFreedMemory();

}  // namespace quillmere::memory
