// Files and folders, as the commands reach them.
//
// The commands name files the way the program always has: the application
// folder followed by a literal such as "\\test.html", with backslashes and a
// doubled separator. NativePath turns such a name into a path of this system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace quillmere::files {

// The folder that holds the running program, without a trailing separator.
std::u16string ApplicationFolder();

// A path as the commands write it to a path of this file system: every
// backslash is a separator, and a run of separators counts as one.
std::string NativePath(std::u16string_view path);

bool Exists(const std::string& native_path);

// Reads the whole file. Refuses a file larger than `max_bytes`.
Status ReadWholeFile(const std::string& native_path, uint64_t max_bytes, std::string* bytes);

// Reads at most the first `count` bytes.
Status ReadFileHead(const std::string& native_path, size_t count, std::string* bytes);

// Creates the file, or empties it, writes `bytes` and closes it, as one
// output statement does. A write the disk refuses is a failure.
Status WriteWholeFile(const std::string& native_path, std::string_view bytes);

// Writes `bytes` to a temporary file beside the target and renames it into
// place, so a failure never leaves half a file under the target's name.
Status ReplaceWholeFile(const std::string& native_path, std::string_view bytes);

// A failure for `operation` on `native_path` from the errno value `err`.
Status ErrnoStatus(int err, const std::string& operation, const std::string& native_path);

}  // namespace quillmere::files
