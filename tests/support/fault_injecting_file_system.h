// The real disk, with reads and writes that fail on purpose: a test arms a
// fault and the read or write it names fails as the disk would fail it, with
// no root, mount or file size limit needed.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"

namespace quillmere::testing {

class FaultInjectingFileSystem : public files::FileSystem {
 public:
  // The `n`th write from now (1: the next one) fails with `err`, once. A full
  // disk (ENOSPC, EDQUOT) or a file size limit (EFBIG) lets the first half of
  // the bytes reach the file before it fails; any other error refuses the
  // file at once, as a missing permission or a folder in the way does.
  void FailWrite(int n, int err) {
    writes_to_fault_ = n;
    err_ = err;
  }
  // The `n`th read from now (of a whole file or of its head) fails with
  // `err`, once, before any byte is read.
  void FailRead(int n, int err) {
    reads_to_fault_ = n;
    read_err_ = err;
  }

  // The `n`th rename from now fails with `err`, once, leaving both names as
  // they were.
  void FailRename(int n, int err) {
    renames_to_fault_ = n;
    rename_err_ = err;
  }

  bool Exists(const std::string& path) override { return disk_.Exists(path); }
  bool IsFolder(const std::string& path) override { return disk_.IsFolder(path); }
  std::string FileIdentity(const std::string& path) override { return disk_.FileIdentity(path); }
  Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) override {
    if (Due(reads_to_fault_)) return files::ErrnoStatus(read_err_, "read", path);
    return disk_.ReadWholeFile(path, max_bytes, bytes);
  }
  Status ReadFileHead(const std::string& path, size_t count, std::string* bytes) override {
    if (Due(reads_to_fault_)) return files::ErrnoStatus(read_err_, "read", path);
    return disk_.ReadFileHead(path, count, bytes);
  }
  Status WriteWholeFile(const std::string& path, std::string_view bytes) override {
    if (!Due(writes_to_fault_)) return disk_.WriteWholeFile(path, bytes);
    if (err_ != ENOSPC && err_ != EDQUOT && err_ != EFBIG) {
      return files::ErrnoStatus(err_, "create", path);
    }
    QM_RETURN_IF_ERROR(disk_.WriteWholeFile(path, bytes.substr(0, bytes.size() / 2)));
    return files::ErrnoStatus(err_, "write", path);
  }
  Status Rename(const std::string& from, const std::string& to) override {
    if (Due(renames_to_fault_)) return files::ErrnoStatus(rename_err_, "replace", to);
    return disk_.Rename(from, to);
  }
  Status Remove(const std::string& path) override { return disk_.Remove(path); }
  Status ListFolder(const std::string& path, std::vector<std::string>* names) override {
    return disk_.ListFolder(path, names);
  }
  Status MakeWorkingFolder(const std::string& parent, const std::string& prefix,
                           std::string* path) override {
    return disk_.MakeWorkingFolder(parent, prefix, path);
  }
  Status RemoveFolder(const std::string& path) override { return disk_.RemoveFolder(path); }

 private:
  // Counts one operation against `countdown`: whether it is the one armed.
  static bool Due(int& countdown) { return countdown != 0 && --countdown == 0; }

  files::FileSystem& disk_ = files::Disk();
  int writes_to_fault_ = 0;  // 0: no fault armed
  int err_ = 0;
  int reads_to_fault_ = 0;
  int read_err_ = 0;
  int renames_to_fault_ = 0;
  int rename_err_ = 0;
};

}  // namespace quillmere::testing
