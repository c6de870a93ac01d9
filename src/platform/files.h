// Whole files on this machine's disk, by native path. The commands reach
// them through the FileSystem of platform/file_system.h; the database, the
// document reader and the panes call these directly.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/filename.h"
#include "platform/status.h"

namespace quillmere::files {

bool Exists(const std::string& native_path);

// Reads the whole file (a link is read as the file it names). Refuses a
// file larger than `max_bytes`, and with kNotAFile, without waiting on it,
// anything but a regular file: a folder, a FIFO, a device.
Status ReadWholeFile(const std::string& native_path, uint64_t max_bytes, std::string* bytes);

// Reads the whole file a piece at a time: `take` receives each piece in
// order, with the file's size. Refuses what ReadWholeFile does.
Status ReadWholeFileInPieces(const std::string& native_path, uint64_t max_bytes,
                             const std::function<Status(std::string_view, uint64_t)>& take);

// Reads at most the first `count` bytes, refusing what ReadWholeFile does.
Status ReadFileHead(const std::string& native_path, size_t count, std::string* bytes);

// Creates the file, or empties it, writes `bytes` and closes it, as one
// output statement does. A write the disk refuses is a failure, and so is a
// symbolic link in the file's place: it is never written through.
Status WriteWholeFile(const std::string& native_path, std::string_view bytes);

// A failure for `operation` (an English verb marked with N_, such as
// "open") on `native_path` from the errno value `err`, with what to do
// about it where there is something to do.
Status ErrnoStatus(int err, const std::string& operation, const std::string& native_path);

}  // namespace quillmere::files
