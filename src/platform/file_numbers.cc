#include "platform/file_numbers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/fd_io.h"
#include "platform/files.h"

namespace quillmere::files {

FileNumbers::~FileNumbers() {
  for (auto& [number, open] : open_) ::close(open.fd);
}

int FileNumbers::FreeFile() const {
  int number = kFirst;
  while (open_.count(number) != 0) ++number;
  return number;
}

Status FileNumbers::Lookup(int number, const Open** open) const {
  auto it = open_.find(number);
  if (it == open_.end()) {
    return Status(ErrorNumber::kFileIo, "File number " + std::to_string(number) + " is not open.");
  }
  *open = &it->second;
  return Status();
}

Status FileNumbers::OpenAs(int number, const std::string& path, int flags) {
  if (number < kFirst || number > kLast) {
    return Status(ErrorNumber::kFileIo, "Bad file number " + std::to_string(number) + ".");
  }
  if (open_.count(number) != 0) {
    return Status(ErrorNumber::kFileIo,
                  "File number " + std::to_string(number) + " is already open.");
  }
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoStatus(errno, (flags & O_WRONLY) ? "create" : "open", path);
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    return ErrnoStatus(EISDIR, "open", path);
  }
  open_[number] = {fd, path};
  return Status();
}

Status FileNumbers::OpenForBinary(int number, const std::string& path) {
  return OpenAs(number, path, O_RDONLY);
}

Status FileNumbers::OpenForOutput(int number, const std::string& path) {
  return OpenAs(number, path, O_WRONLY | O_CREAT | O_TRUNC);
}

Status FileNumbers::Length(int number, uint64_t* bytes) const {
  const Open* open = nullptr;
  QM_RETURN_IF_ERROR(Lookup(number, &open));
  struct stat st;
  if (::fstat(open->fd, &st) != 0) return ErrnoStatus(errno, "read", open->path);
  *bytes = static_cast<uint64_t>(st.st_size);
  return Status();
}

Status FileNumbers::Get(int number, size_t count, std::string* bytes) {
  const Open* open = nullptr;
  QM_RETURN_IF_ERROR(Lookup(number, &open));
  return ReadUpTo(open->fd, count, bytes, open->path);
}

Status FileNumbers::Print(int number, std::string_view bytes) {
  const Open* open = nullptr;
  QM_RETURN_IF_ERROR(Lookup(number, &open));
  return WriteFully(open->fd, bytes, open->path);
}

Status FileNumbers::Close(int number) {
  auto it = open_.find(number);
  if (it == open_.end()) return Status();
  Open open = it->second;
  open_.erase(it);
  bool synced = ::fsync(open.fd) == 0 || errno == EINVAL;
  int sync_errno = errno;
  if (::close(open.fd) != 0) return ErrnoStatus(errno, "close", open.path);
  if (!synced) return ErrnoStatus(sync_errno, "write", open.path);
  return Status();
}

}  // namespace quillmere::files
