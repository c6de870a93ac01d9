// This machine's file system (Disk()), over POSIX calls.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/encoding/printable.h"
#include "platform/file_system.h"
#include "platform/memory.h"
#include "platform/translation.h"

namespace quillmere::files {

namespace {

namespace fs = std::filesystem;

class PosixFileSystem : public FileSystem {
 public:
  bool Exists(const std::string& path) override;
  bool IsFolder(const std::string& path) override;
  std::string FileIdentity(const std::string& path) override;
  Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) override;
  Status ReadWholeFileInPieces(
      const std::string& path, uint64_t max_bytes,
      const std::function<Status(std::string_view, uint64_t)>& take) override;
  Status ReadFileHead(const std::string& path, size_t count, std::string* bytes) override;
  Status WriteWholeFile(const std::string& path, std::string_view bytes) override;
  Status WriteWholeFileInPieces(
      const std::string& path,
      const std::function<Status(const PieceWriter&)>& write_pieces) override;
  Status Rename(const std::string& from, const std::string& to) override;
  Status RenameNoReplace(const std::string& from, const std::string& to) override;
  Status Remove(const std::string& path) override;
  Status ListFolder(const std::string& path, std::vector<std::string>* names) override;
  Status MakeWorkingFolder(const std::string& parent, const std::string& prefix,
                           std::string* path) override;
  Status RemoveFolder(const std::string& path) override;
};

// Closes a descriptor on every path out of a function.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(Descriptor&& other) {
    std::swap(fd_, other.fd_);
    return *this;
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
    if (n < 0) return ErrnoStatus(errno, N_("write"), path);
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
    if (n < 0) return ErrnoStatus(errno, N_("read"), path);
    if (n == 0) break;  // the file ended (or shrank while we read it)
    done += static_cast<size_t>(n);
  }
  bytes->resize(done);
  return Status();
}

// Why an operation failed, for the errors a user meets (in glibc's English,
// translated), and what to do about it where there is something to do.
struct Reason {
  int err;
  const char* text;
  const char* advice;
};
constexpr Reason kReasons[] = {
    {ENOENT, N_("No such file or directory"), nullptr},
    {ENOTDIR, N_("Not a directory"), nullptr},
    {EACCES, N_("Permission denied"),
     N_("Give yourself the right to use the file and its folder, then try again.")},
    {EPERM, N_("Operation not permitted"),
     N_("Give yourself the right to use the file and its folder, then try again.")},
    {EROFS, N_("Read-only file system"), N_("Use a folder on a disk you can write to.")},
    {EISDIR, N_("Is a directory"), N_("Move the folder out of the way, then try again.")},
    {ENOSPC, N_("No space left on device"), N_("Free some space on the disk, then try again.")},
    {EDQUOT, N_("Disk quota exceeded"), N_("Free some space on the disk, then try again.")},
    {EFBIG, N_("File too large"), nullptr},
    {ELOOP, N_("Too many levels of symbolic links"), nullptr},
    {ENAMETOOLONG, N_("File name too long"), N_("Use a folder with a shorter path.")},
    {EIO, N_("Input/output error"), nullptr},
};

// Why nothing can be opened at `path`: a symbolic link there whose target is
// missing is named as such (a listing shows it, so "no such file" would
// puzzle), anything else as missing.
Status Missing(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
    return ErrnoStatus(ENOENT, N_("open"), path);
  }
  std::error_code error;
  const std::string target = fs::read_symlink(path, error).string();
  return Status(ErrorNumber::kFileNotFound,
                Fill(Tr("\"%1$s\" is a symbolic link to \"%2$s\", which does not exist. Put the "
                        "file there, or the file itself in the link's place."),
                     printable::Escaped(path), printable::Escaped(target)));
}

// Opens `path` for reading, never waiting on it: a FIFO without a writer
// would block the open, a terminal or a device the read. Only a regular file
// (or a link to one) is kept open; anything else is refused with kNotAFile.
Status OpenRegularFile(const std::string& path, Descriptor* fd, struct stat* st) {
  *fd = Descriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (fd->get() < 0 && errno == ENOENT) return Missing(path);
  if (fd->get() < 0) return ErrnoStatus(errno, N_("open"), path);
  if (::fstat(fd->get(), st) != 0) return ErrnoStatus(errno, N_("read"), path);
  if (S_ISREG(st->st_mode)) return Status();
  const char* what = S_ISDIR(st->st_mode)    ? N_("\"%s\" is a folder, not a file.")
                     : S_ISFIFO(st->st_mode) ? N_("\"%s\" is a named pipe (FIFO), not a file.")
                                             : N_("\"%s\" is a device or a socket, not a file.");
  return Status(ErrorNumber::kNotAFile, Fill(Tr(what), printable::Escaped(path)));
}

// Opens the regular file at `path` into `fd` to be read whole: its size,
// which must be within `max_bytes`.
Status OpenWhole(const std::string& path, uint64_t max_bytes, Descriptor* fd, size_t* size) {
  struct stat st;
  QM_RETURN_IF_ERROR(OpenRegularFile(path, fd, &st));
  if (static_cast<uint64_t>(st.st_size) > max_bytes) {
    return Status(ErrorNumber::kFileTooLarge,
                  Fill(Tr("\"%1$s\" holds %2$s bytes; at most %3$s are accepted."),
                       printable::Escaped(path), st.st_size, max_bytes));
  }
  *size = static_cast<size_t>(st.st_size);
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
  const char* reason = strerrordesc_np(err);
  const char* advice = nullptr;
  for (const Reason& known : kReasons) {
    if (known.err == err) {
      reason = Tr(known.text);
      advice = known.advice;
    }
  }
  std::string description = Fill(Tr("Cannot %1$s \"%2$s\": %3$s."), Tr(operation.c_str()),
                                 printable::Escaped(path), reason ? reason : "?");
  if (advice != nullptr) description = Sentences(description, Tr(advice));
  return Status(number, description);
}

bool PosixFileSystem::Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixFileSystem::IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string PosixFileSystem::FileIdentity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::string();
  return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
}

Status PosixFileSystem::ReadWholeFile(const std::string& path, uint64_t max_bytes,
                                      std::string* bytes) {
  Descriptor fd(-1);
  size_t size = 0;
  QM_RETURN_IF_ERROR(OpenWhole(path, max_bytes, &fd, &size));
  return ReadUpTo(fd.get(), size, bytes, path);
}

Status PosixFileSystem::ReadWholeFileInPieces(
    const std::string& path, uint64_t max_bytes,
    const std::function<Status(std::string_view, uint64_t)>& take) {
  constexpr size_t kPiece = size_t{1} << 20;
  Descriptor fd(-1);
  size_t size = 0;
  QM_RETURN_IF_ERROR(OpenWhole(path, max_bytes, &fd, &size));
  std::string piece;
  for (size_t done = 0; done < size;) {
    QM_RETURN_IF_ERROR(ReadUpTo(fd.get(), std::min(kPiece, size - done), &piece, path));
    if (piece.empty()) break;  // the file ended (or shrank while we read it)
    done += piece.size();
    QM_RETURN_IF_ERROR(take(piece, size));
  }
  return Status();
}

Status PosixFileSystem::ReadFileHead(const std::string& path, size_t count, std::string* bytes) {
  Descriptor fd(-1);
  struct stat st;
  QM_RETURN_IF_ERROR(OpenRegularFile(path, &fd, &st));
  return ReadUpTo(fd.get(), count, bytes, path);
}

Status PosixFileSystem::WriteWholeFile(const std::string& path, std::string_view bytes) {
  return WriteWholeFileInPieces(path, [&](const PieceWriter& write) { return write(bytes); });
}

Status PosixFileSystem::WriteWholeFileInPieces(
    const std::string& path, const std::function<Status(const PieceWriter&)>& write_pieces) {
  // A symbolic link in the file's place is refused, never written through.
  Descriptor fd(
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0644));
  if (fd.get() < 0) return ErrnoStatus(errno, N_("create"), path);
  QM_RETURN_IF_ERROR(
      write_pieces([&](std::string_view piece) { return WriteFully(fd.get(), piece, path); }));
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return ErrnoStatus(errno, N_("write"), path);
  if (fd.Close() != 0) return ErrnoStatus(errno, N_("close"), path);
  return Status();
}

Status PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return ErrnoStatus(errno, N_("replace"), to);
  return Status();
}

Status PosixFileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    return Status();
  }
  if (errno == EEXIST) return ExistsAlready(to);
  if (errno != EINVAL && errno != ENOSYS) return ErrnoStatus(errno, N_("create"), to);
  // A file system without the flag: a hard link is made only where no
  // name stands, then the old name goes.
  if (::link(from.c_str(), to.c_str()) != 0) {
    return errno == EEXIST ? ExistsAlready(to) : ErrnoStatus(errno, N_("create"), to);
  }
  (void)::unlink(from.c_str());
  return Status();
}

Status PosixFileSystem::Remove(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
    return ErrnoStatus(errno, N_("remove"), path);
  }
  return Status();
}

Status PosixFileSystem::ListFolder(const std::string& path, std::vector<std::string>* names) {
  std::error_code error;
  names->clear();
  for (const auto& entry : fs::directory_iterator(path, error)) {
    names->push_back(entry.path().filename().string());
  }
  if (error) return ErrnoStatus(error.value(), N_("read the folder"), path);
  return Status();
}

Status PosixFileSystem::MakeWorkingFolder(const std::string& parent, const std::string& prefix,
                                          std::string* path) {
  std::string pattern = (fs::path(parent) / (prefix + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    return ErrnoStatus(errno, N_("create a working folder in"), parent);
  }
  *path = std::move(pattern);
  return Status();
}

Status PosixFileSystem::RemoveFolder(const std::string& path) {
  std::error_code error;
  fs::remove_all(path, error);
  if (error) return ErrnoStatus(error.value(), N_("remove"), path);
  return Status();
}

FileSystem& Disk() {
  static PosixFileSystem* disk = new PosixFileSystem;  // never destroyed: used until exit
  return *disk;
}

}  // namespace quillmere::files
