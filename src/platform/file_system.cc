#include "platform/file_system.h"

#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/files.h"
#include "platform/translation.h"

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
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus(errno, N_("replace"), to);
    return Status();
  }
  Status Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
      return ErrnoStatus(errno, N_("remove"), path);
    }
    return Status();
  }
  Status ListFolder(const std::string& path, std::vector<std::string>* names) override {
    std::error_code error;
    names->clear();
    for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
      names->push_back(entry.path().filename().string());
    }
    if (error) return ErrnoStatus(error.value(), N_("read the folder"), path);
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
  // Whatever stands at either name, a symbolic link included, is replaced:
  // nothing is ever written through a link.
  const std::string partial = path + ".partial";
  Status written = Remove(partial);
  if (written.ok()) written = WriteWholeFile(partial, bytes);
  if (written.ok()) written = Rename(partial, path);
  if (!written.ok()) (void)Remove(partial);
  return written;
}

FileSystem& Disk() {
  static PosixFileSystem* disk = new PosixFileSystem;  // never destroyed: used until exit
  return *disk;
}

}  // namespace quillmere::files
