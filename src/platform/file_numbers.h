// Numbered files, the way the commands open them: a command asks for a free
// number (or uses a fixed one), opens a file under it, reads or writes it
// whole, and closes it. A number in use cannot be opened again until closed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace quillmere::files {

class FileNumbers {
 public:
  static constexpr int kFirst = 1;
  static constexpr int kLast = 511;

  FileNumbers() = default;
  ~FileNumbers();
  FileNumbers(const FileNumbers&) = delete;
  FileNumbers& operator=(const FileNumbers&) = delete;

  // The lowest number not in use.
  int FreeFile() const;

  // Opens an existing file for reading.
  Status OpenForBinary(int number, const std::string& native_path);
  // Creates the file, or empties it, for writing.
  Status OpenForOutput(int number, const std::string& native_path);

  Status Length(int number, uint64_t* bytes) const;
  // Reads up to `count` bytes from the current position.
  Status Get(int number, size_t count, std::string* bytes);
  // Writes `bytes` at the current position.
  Status Print(int number, std::string_view bytes);
  // Closes the file; a write the disk refused shows up here at the latest.
  Status Close(int number);

 private:
  struct Open {
    int fd;
    std::string path;
  };
  Status Lookup(int number, const Open** open) const;
  Status OpenAs(int number, const std::string& path, int flags);

  std::map<int, Open> open_;
};

}  // namespace quillmere::files
