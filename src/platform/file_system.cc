#include "platform/file_system.h"

namespace quillmere::files {

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

}  // namespace quillmere::files
