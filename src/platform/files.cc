#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/memory.h"

namespace quillmere::files {

namespace {

// Closes a descriptor on every path out of a function.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, reporting what close reports (a delayed write error).
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

// Writes all of `bytes`, retried when a signal interrupts; `path` names the
// file in a failure.
Status WriteFully(int fd, std::string_view bytes, const std::string& path) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus(errno, "write", path);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return Status();
}

// Reads up to `count` bytes (fewer at the end of the file) into `bytes`.
Status ReadUpTo(int fd, size_t count, std::string* bytes, const std::string& path) {
  bytes->clear();
  bytes->reserve(count);
  memory::PreferHugePages(bytes->data(), count);
  bytes->assign(count, '\0');
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd, bytes->data() + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus(errno, "read", path);
    if (n == 0) break;  // the file ended (or shrank while we read it)
    done += static_cast<size_t>(n);
  }
  bytes->resize(done);
  return Status();
}

}  // namespace

Status ErrnoStatus(int err, const std::string& operation, const std::string& path) {
  ErrorNumber number = ErrorNumber::kFileIo;
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      number = ErrorNumber::kFileNotFound;
      break;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      number = ErrorNumber::kPermissionDenied;
      break;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      number = ErrorNumber::kDiskFull;
      break;
    default:
      break;
  }
  return Status(number, "Cannot " + operation + " \"" + path + "\": " + std::strerror(err) + ".");
}

bool Exists(const std::string& native_path) {
  struct stat st;
  return ::stat(native_path.c_str(), &st) == 0;
}

namespace {

// The size of the file open on `fd` to be read whole, which must be within
// `max_bytes`.
Status WholeSize(const Descriptor& fd, const std::string& path, uint64_t max_bytes, size_t* size) {
  if (fd.get() < 0) return ErrnoStatus(errno, "open", path);
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return ErrnoStatus(errno, "read", path);
  if (S_ISDIR(st.st_mode)) return ErrnoStatus(EISDIR, "read", path);
  if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    return Status(ErrorNumber::kFileTooLarge, "\"" + path + "\" holds " +
                                                  std::to_string(st.st_size) + " bytes; at most " +
                                                  std::to_string(max_bytes) + " are accepted.");
  }
  *size = static_cast<size_t>(st.st_size);
  return Status();
}

}  // namespace

Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  size_t size = 0;
  QM_RETURN_IF_ERROR(WholeSize(fd, path, max_bytes, &size));
  return ReadUpTo(fd.get(), size, bytes, path);
}

Status ReadWholeFileInPieces(const std::string& path, uint64_t max_bytes,
                             const std::function<Status(std::string_view, uint64_t)>& take) {
  constexpr size_t kPiece = size_t{1} << 20;
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  size_t size = 0;
  QM_RETURN_IF_ERROR(WholeSize(fd, path, max_bytes, &size));
  std::string piece;
  for (size_t done = 0; done < size;) {
    QM_RETURN_IF_ERROR(ReadUpTo(fd.get(), std::min(kPiece, size - done), &piece, path));
    if (piece.empty()) break;  // the file ended (or shrank while we read it)
    done += piece.size();
    QM_RETURN_IF_ERROR(take(piece, size));
  }
  return Status();
}

Status ReadFileHead(const std::string& path, size_t count, std::string* bytes) {
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return ErrnoStatus(errno, "open", path);
  return ReadUpTo(fd.get(), count, bytes, path);
}

Status WriteWholeFile(const std::string& path, std::string_view bytes) {
  Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.get() < 0) return ErrnoStatus(errno, "create", path);
  QM_RETURN_IF_ERROR(WriteFully(fd.get(), bytes, path));
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return ErrnoStatus(errno, "write", path);
  if (fd.Close() != 0) return ErrnoStatus(errno, "close", path);
  return Status();
}

}  // namespace quillmere::files
