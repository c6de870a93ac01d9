// The files the commands read and write, reached through one small
// interface: the commands never open a file themselves, so a test can put a
// fault where the disk would (a full disk, a refused write, a folder in the
// way) without root, mounts or limits. Paths are native.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillmere::files {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Reads the whole file. Refuses, with kFileTooLarge, a file larger than
  // `max_bytes`, reading none of it.
  virtual Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) = 0;

  // The same, handing the bytes to `take` a piece at a time, in order, with
  // the file's size: a large file then needs no buffer of its size. Stops at
  // the first failure of `take`. (Unless overridden: ReadWholeFile, and the
  // whole file as one piece.)
  virtual Status ReadWholeFileInPieces(
      const std::string& path, uint64_t max_bytes,
      const std::function<Status(std::string_view piece, uint64_t file_size)>& take);

  // Creates the file, or empties it, and writes `bytes` to the disk. A
  // failure may leave part of them in the file.
  virtual Status WriteWholeFile(const std::string& path, std::string_view bytes) = 0;

  // Moves `from` to `to`, replacing a file there, in one step.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;

  // Removes the file; one that is not there is no failure.
  virtual Status Remove(const std::string& path) = 0;

  // The names in the folder, in no particular order.
  virtual Status ListFolder(const std::string& path, std::vector<std::string>* names) = 0;

  // Writes `bytes` whole and atomically: to a file beside `path`, then
  // renamed over it, so a symbolic link at `path` is replaced, never
  // followed. On a failure `path` holds what it held before and the file
  // beside it is gone.
  Status ReplaceWholeFile(const std::string& path, std::string_view bytes);
};

// This machine's file system.
FileSystem& Disk();

}  // namespace quillmere::files
