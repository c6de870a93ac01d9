#include "platform/file_system.h"

#include <cerrno>
#include <filesystem>

#include "platform/translation.h"

namespace quillmere::files {

std::string FileSystem::FileIdentity(const std::string& path) {
  if (!Exists(path)) return std::string();
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

Status FileSystem::ReadWholeFileInPieces(
    const std::string& path, uint64_t max_bytes,
    const std::function<Status(std::string_view, uint64_t)>& take) {
  std::string bytes;
  QM_RETURN_IF_ERROR(ReadWholeFile(path, max_bytes, &bytes));
  return bytes.empty() ? Status() : take(bytes, bytes.size());
}

Status FileSystem::WriteWholeFileInPieces(
    const std::string& path, const std::function<Status(const PieceWriter&)>& write_pieces) {
  std::string bytes;
  QM_RETURN_IF_ERROR(write_pieces([&](std::string_view piece) {
    bytes.append(piece);
    return Status();
  }));
  return WriteWholeFile(path, bytes);
}

Status FileSystem::RenameNoReplace(const std::string& from, const std::string& to) {
  if (Exists(to)) return ExistsAlready(to);
  return Rename(from, to);
}

Status ExistsAlready(const std::string& path) {
  return Status(ErrorNumber::kFileExists,
                Fill(Tr("\"%s\" already exists; it is left as it is."), path));
}

namespace {

// Where a file is written before it is renamed into its place.
std::string BesideItsPlace(const std::string& path) { return path + ".partial"; }

// Writes `path` through `write_partial`, which writes the file it is given:
// to a file beside it, renamed into its place. Whatever stands at either
// name, a symbolic link included, is replaced: nothing is ever written
// through a link.
template <typename WritePartial>
Status Replace(FileSystem& file_system, const std::string& path, WritePartial write_partial) {
  const std::string partial = BesideItsPlace(path);
  Status written = file_system.Remove(partial);
  if (written.ok()) written = write_partial(partial);
  if (written.ok()) written = file_system.Rename(partial, path);
  if (!written.ok()) (void)file_system.Remove(partial);
  return written;
}

}  // namespace

Status FileSystem::ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  return Replace(*this, path,
                 [&](const std::string& partial) { return WriteWholeFile(partial, bytes); });
}

Status FileSystem::ReplaceWholeFileInPieces(
    const std::string& path, const std::function<Status(const PieceWriter&)>& write_pieces) {
  return Replace(*this, path, [&](const std::string& partial) {
    return WriteWholeFileInPieces(partial, write_pieces);
  });
}

Status StagedFile::Write(
    FileSystem& file_system, const std::string& path,
    const std::function<Status(const FileSystem::PieceWriter&)>& write_pieces) {
  Discard();
  const std::string partial = BesideItsPlace(path);
  Status written = file_system.Remove(partial);
  if (written.ok()) written = file_system.WriteWholeFileInPieces(partial, write_pieces);
  // A folder in the place would refuse the rename only once it is due.
  if (written.ok() && file_system.IsFolder(path)) {
    written = ErrnoStatus(EISDIR, N_("replace"), path);
  }
  if (!written.ok()) {
    (void)file_system.Remove(partial);
    return written;
  }
  file_system_ = &file_system;
  path_ = path;
  return Status();
}

Status StagedFile::PutInPlace() {
  if (!pending()) return Status();
  Status renamed = file_system_->Rename(BesideItsPlace(path_), path_);
  if (renamed.ok()) file_system_ = nullptr;
  Discard();
  return renamed;
}

void StagedFile::Discard() {
  if (!pending()) return;
  (void)file_system_->Remove(BesideItsPlace(path_));
  file_system_ = nullptr;
}

}  // namespace quillmere::files
