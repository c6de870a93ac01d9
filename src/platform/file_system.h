// The disk, reached through one small interface: the commands, the document
// readers, the LibreOffice converter and the panes never open a file
// themselves, so a test can put a fault where the disk would (a full disk, a
// refused read or write, a folder in the way) without root, mounts or limits.
// Paths are native: a path in the program's own form (platform/
// program_paths.h) becomes one before it gets here. Only the database
// drivers open their files themselves, through SQLite and libmdb, once they
// have looked at the first bytes through Disk().
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

  // Whether anything is at `path`, following links.
  virtual bool Exists(const std::string& path) = 0;

  // Whether `path` names a folder, following links.
  virtual bool IsFolder(const std::string& path) = 0;

  // Reads the whole file (a link is read as the file it names). Refuses,
  // with kFileTooLarge, a file larger than `max_bytes`, reading none of it,
  // and with kNotAFile, without waiting on it, anything but a regular file:
  // a folder, a FIFO, a device.
  virtual Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) = 0;

  // The same, handing the bytes to `take` a piece at a time, in order, with
  // the file's size: a large file then needs no buffer of its size. Stops at
  // the first failure of `take`. (Unless overridden: ReadWholeFile, and the
  // whole file as one piece.)
  virtual Status ReadWholeFileInPieces(
      const std::string& path, uint64_t max_bytes,
      const std::function<Status(std::string_view piece, uint64_t file_size)>& take);

  // Reads at most the first `count` bytes, refusing what ReadWholeFile does.
  virtual Status ReadFileHead(const std::string& path, size_t count, std::string* bytes) = 0;

  // Creates the file, or empties it, writes `bytes` and closes it, as one
  // output statement does. A write the disk refuses is a failure, which may
  // leave part of the bytes in the file; so is a symbolic link in the file's
  // place: it is never written through.
  virtual Status WriteWholeFile(const std::string& path, std::string_view bytes) = 0;
  // Hands each piece of a file's bytes, in order, to the file being written.
  using PieceWriter = std::function<Status(std::string_view piece)>;
  // The same, the bytes handed over a piece at a time by `write_pieces`
  // through the writer it is given: a large file then needs no buffer of its
  // size. A failure of `write_pieces`, or of a piece's write, is the result.
  // (Unless overridden: the pieces gathered, then WriteWholeFile.)
  virtual Status WriteWholeFileInPieces(
      const std::string& path, const std::function<Status(const PieceWriter& write)>& write_pieces);

  // Moves `from` to `to`, replacing a file there, in one step.
  virtual Status Rename(const std::string& from, const std::string& to) = 0;

  // Moves `from` to `to` in one step unless anything stands at `to`, which
  // is a failure (kFileExists) that leaves both as they were: a file another
  // program made meanwhile is never replaced. (Unless overridden: Exists,
  // then Rename.)
  virtual Status RenameNoReplace(const std::string& from, const std::string& to);

  // Removes the file; one that is not there is no failure.
  virtual Status Remove(const std::string& path) = 0;

  // The names in the folder, in no particular order.
  virtual Status ListFolder(const std::string& path, std::vector<std::string>* names) = 0;

  // Makes a new folder in `parent` that only this user may use, named
  // `prefix` followed by characters that no other name there has, for work
  // that is removed or moved into place afterwards; `path` gets its path.
  virtual Status MakeWorkingFolder(const std::string& parent, const std::string& prefix,
                                   std::string* path) = 0;

  // Removes the folder with everything in it; one that is not there is no
  // failure.
  virtual Status RemoveFolder(const std::string& path) = 0;

  // Writes `bytes` whole and atomically: to a file beside `path`, then
  // renamed over it, so a symbolic link at `path` is replaced, never
  // followed. On a failure `path` holds what it held before and the file
  // beside it is gone.
  Status ReplaceWholeFile(const std::string& path, std::string_view bytes);
  // The same, written a piece at a time as WriteWholeFileInPieces writes.
  Status ReplaceWholeFileInPieces(
      const std::string& path, const std::function<Status(const PieceWriter& write)>& write_pieces);
};

// This machine's file system.
FileSystem& Disk();

// A failure for `operation` (an English verb marked with N_, such as
// "open") on `native_path` from the errno value `err`, with what to do
// about it where there is something to do: how a file system reports what
// the operating system refused.
Status ErrnoStatus(int err, const std::string& operation, const std::string& native_path);

// The failure of a write that would have replaced what stands at `path`
// (kFileExists).
Status ExistsAlready(const std::string& path);

}  // namespace quillmere::files
