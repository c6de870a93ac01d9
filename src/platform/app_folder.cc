#include "platform/app_folder.h"

#include <pwd.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/filename.h"
#include "platform/files.h"

namespace quillmere::files {

namespace {

namespace fs = std::filesystem;

constexpr char kUserFolderName[] = "Quillmere";
constexpr uint64_t kMaxSampleBytes = 64 << 20;
// The installed data folder relative to the program's (the build sets it
// from the install layout: ../share/quillmere).
constexpr char kDataFromProgram[] = QUILLMERE_DATA_FROM_PROGRAM;

std::string HomeFolder() {
  const char* home = ::getenv("HOME");
  if (home != nullptr && *home != '\0') return home;
  const struct passwd* entry = ::getpwuid(::getuid());
  return entry != nullptr && entry->pw_dir != nullptr ? entry->pw_dir : "";
}

Status CopyFile(const std::string& from, const std::string& to) {
  std::string bytes;
  QM_RETURN_IF_ERROR(ReadWholeFile(from, kMaxSampleBytes, &bytes));
  return WriteWholeFile(to, bytes);
}

}  // namespace

ProgramSite ThisProgram() {
  ProgramSite site;
  site.folder = NativePath(ApplicationFolder());
  site.writable = ::access(site.folder.c_str(), W_OK) == 0;
  const fs::path sample =
      (fs::path(site.folder) / kDataFromProgram / "test.doc").lexically_normal();
  if (Exists(sample.string())) site.sample = sample.string();
  site.home = HomeFolder();
  return site;
}

std::string ChooseApplicationFolder(const ProgramSite& site) {
  if ((site.writable && site.sample.empty()) || site.home.empty()) return site.folder;
  return (fs::path(site.home) / kUserFolderName).lexically_normal().string();
}

Status MakeUserFolder(const std::string& folder, const std::string& sample,
                      const MakeDatabase& make_database) {
  if (Exists(folder)) return Status();
  const fs::path place(folder);
  std::string partial =
      (place.parent_path() / ("." + place.filename().string() + "-XXXXXX")).string();
  if (::mkdtemp(partial.data()) == nullptr) return ErrnoStatus(errno, "create", folder);
  Status made = make_database(partial);
  if (made.ok() && !sample.empty()) made = CopyFile(sample, partial + "/test.doc");
  // A folder that another start made meanwhile is as good as this one.
  if (made.ok() && ::rename(partial.c_str(), folder.c_str()) != 0 && errno != EEXIST &&
      errno != ENOTEMPTY) {
    made = ErrnoStatus(errno, "create", folder);
  }
  std::error_code ignored;
  fs::remove_all(partial, ignored);  // nothing after the rename; else what this start made
  return made;
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quillmere::files
