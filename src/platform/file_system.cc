#include "platform/file_system.h"

#include <stdio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files.h"

namespace quillmere::files {

namespace {

class PosixFileSystem : public FileSystem {
 public:
  Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) override {
    return files::ReadWholeFile(path, max_bytes, bytes);
  }
  Status ReadWholeFileInPieces(
      const std::string& path, uint64_t max_bytes,
      const std::function<Status(std::string_view, uint64_t)>& take) override {
    return files::ReadWholeFileInPieces(path, max_bytes, take);
  }
  Status WriteWholeFile(const std::string& path, std::string_view bytes) override {
    return files::WriteWholeFile(path, bytes);
  }
  Status Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus(errno, "replace", to);
    return Status();
  }
  Status Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      return ErrnoStatus(errno, "remove", path);
    }
    return Status();
  }
};

}  // namespace

Status FileSystem::ReadWholeFileInPieces(
    const std::string& path, uint64_t max_bytes,
    const std::function<Status(std::string_view, uint64_t)>& take) {
  std::string bytes;
  QM_RETURN_IF_ERROR(ReadWholeFile(path, max_bytes, &bytes));
  return bytes.empty() ? Status() : take(bytes, bytes.size());
}

Status FileSystem::ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  const std::string partial = path + ".partial";
  Status written = WriteWholeFile(partial, bytes);
  if (written.ok()) written = Rename(partial, path);
  if (!written.ok()) (void)Remove(partial);
  return written;
}

FileSystem& Disk() {
  static PosixFileSystem* disk = new PosixFileSystem;  // never destroyed: used until exit
  return *disk;
}

}  // namespace quillmere::files
