#include "platform/app_folder.h"

#include <pwd.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

#include "platform/program_paths.h"

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

Status CopyFile(FileSystem& file_system, const std::string& from, const std::string& to) {
  std::string bytes;
  QM_RETURN_IF_ERROR(file_system.ReadWholeFile(from, kMaxSampleBytes, &bytes));
  return file_system.WriteWholeFile(to, bytes);
}

}  // namespace

ProgramSite ThisProgram() {
  ProgramSite site;
  site.folder = NativePath(ApplicationFolder());
  site.writable = ::access(site.folder.c_str(), W_OK) == 0;
  const fs::path sample =
      (fs::path(site.folder) / kDataFromProgram / "test.doc").lexically_normal();
  if (Disk().Exists(sample.string())) site.sample = sample.string();
  site.home = HomeFolder();
  return site;
}

std::string ChooseApplicationFolder(const ProgramSite& site) {
  if ((site.writable && site.sample.empty()) || site.home.empty()) return site.folder;
  return (fs::path(site.home) / kUserFolderName).lexically_normal().string();
}

Status MakeUserFolder(const std::string& folder, const std::string& sample,
                      const MakeDatabase& make_database, FileSystem& file_system) {
  if (file_system.Exists(folder)) return Status();
  const fs::path place(folder);
  std::string partial;
  QM_RETURN_IF_ERROR(file_system.MakeWorkingFolder(
      place.parent_path().string(), "." + place.filename().string() + "-", &partial));
  Status made = make_database(partial);
  if (made.ok() && !sample.empty()) made = CopyFile(file_system, sample, partial + "/test.doc");
  if (made.ok()) {
    Status moved = file_system.Rename(partial, folder);
    // A folder that another start made meanwhile is as good as this one.
    if (!moved.ok() && !file_system.IsFolder(folder)) made = moved;
  }
  // Nothing is left after the rename; else what this start made.
  (void)file_system.RemoveFolder(partial);
  return made;
}

}  // namespace quillmere::files
