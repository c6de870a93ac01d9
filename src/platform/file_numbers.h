// Numbered files, the way the commands open them: a command asks for a free
// number (or uses a fixed one), opens a file under it, reads or writes it
// whole, and closes it. A number in use cannot be opened again until closed.
//
// The files lie behind a FileSystem: a file opened in binary mode is read
// whole when it is opened, and a file opened for output is written whole
// when it is closed, to a file beside it renamed into its place (so a link
// there is replaced, never followed).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere::files {

class FileNumbers {
 public:
  static constexpr int kFirst = 1;
  static constexpr int kLast = 511;

  explicit FileNumbers(FileSystem& file_system) : file_system_(file_system) {}
  FileNumbers(const FileNumbers&) = delete;
  FileNumbers& operator=(const FileNumbers&) = delete;

  // The lowest number not in use.
  int FreeFile() const;

  // Opens an existing file for reading; one larger than `max_bytes` is
  // refused with kFileTooLarge.
  Status OpenForBinary(int number, const std::string& native_path, uint64_t max_bytes);
  // Opens the file for writing; it is created, or emptied, and written when
  // it is closed. A file never closed is never written.
  Status OpenForOutput(int number, const std::string& native_path);

  Status Length(int number, uint64_t* bytes) const;
  // Reads up to `count` bytes from the current position.
  Status Get(int number, size_t count, std::string* bytes);
  // Writes `bytes` at the current position.
  Status Print(int number, std::string bytes);
  // Closes the file; a write the disk refused shows up here.
  Status Close(int number);

 private:
  struct Open {
    std::string path;
    bool output = false;
    std::string bytes;    // what was read when it opened, or has been written so far
    uint64_t length = 0;  // the file's length
    size_t position = 0;  // where the next Get reads
  };
  static Status NotOpen(int number);
  Status Lookup(int number, Open** open);
  Status CheckFree(int number) const;

  FileSystem& file_system_;
  std::map<int, Open> open_;
};

}  // namespace quillmere::files
