// Whole reads and writes on an open file descriptor, retried when a signal
// interrupts them. Shared by files.cc and file_numbers.cc.
#pragma once

#include <string>
#include <string_view>

#include "platform/status.h"

namespace quillmere::files {

// Writes all of `bytes`; `path` names the file in a failure.
Status WriteFully(int fd, std::string_view bytes, const std::string& path);

// Reads up to `count` bytes (fewer at the end of the file) into `bytes`.
Status ReadUpTo(int fd, size_t count, std::string* bytes, const std::string& path);

}  // namespace quillmere::files
