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
#include <utility>
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

  // What tells files apart: the same text for every path that leads to one
  // file (through links, "..", a folder's listing), another for another
  // file; empty when nothing is at `path`. (Unless overridden: the path made
  // absolute and lexically normal, when something is there.)
  virtual std::string FileIdentity(const std::string& path);

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

// A file written beside its place and put there, in one step, only when
// asked: until then the place keeps what it holds, whatever happens
// meanwhile (a page that must not show what a transaction has not yet
// committed). A written file never put in place is removed when another is
// written, when it is discarded, and when this goes.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile() { Discard(); }
  // A move hands the pending file over; the one moved onto is discarded.
  StagedFile(StagedFile&& other) noexcept { *this = std::move(other); }
  StagedFile& operator=(StagedFile&& other) noexcept {
    if (this == &other) return *this;
    Discard();
    file_system_ = std::exchange(other.file_system_, nullptr);
    path_ = std::move(other.path_);
    return *this;
  }

  // Writes the file meant for `path` beside it, as WriteWholeFileInPieces
  // writes, through `file_system`, which must outlive this. Fails, leaving
  // nothing beside `path`, when the writing fails or a folder stands at
  // `path` (which no rename could replace).
  Status Write(FileSystem& file_system, const std::string& path,
               const std::function<Status(const FileSystem::PieceWriter& write)>& write_pieces);
  // Whether a written file waits to be put in place.
  bool pending() const { return file_system_ != nullptr; }
  // Renames the written file over its place (a symbolic link there is
  // replaced, never followed). Nothing to do when none is pending; on a
  // failure the written file is removed.
  Status PutInPlace();
  // Removes the written file, if any; its place keeps what it holds.
  void Discard();

 private:
  FileSystem* file_system_ = nullptr;  // while a written file is pending
  std::string path_;
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
