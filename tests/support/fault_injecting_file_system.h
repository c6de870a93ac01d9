// The real disk, with writes that fail on purpose: a test arms a fault and
// the write it names fails as the disk would fail it, with no root, mount or
// file size limit needed.
#pragma once

#include <cerrno>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/files.h"

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

  Status ReadWholeFile(const std::string& path, uint64_t max_bytes, std::string* bytes) override {
    return disk_.ReadWholeFile(path, max_bytes, bytes);
  }
  Status WriteWholeFile(const std::string& path, std::string_view bytes) override {
    if (writes_to_fault_ == 0 || --writes_to_fault_ > 0) return disk_.WriteWholeFile(path, bytes);
    if (err_ != ENOSPC && err_ != EDQUOT && err_ != EFBIG) {
      return files::ErrnoStatus(err_, "create", path);
    }
    QM_RETURN_IF_ERROR(disk_.WriteWholeFile(path, bytes.substr(0, bytes.size() / 2)));
    return files::ErrnoStatus(err_, "write", path);
  }
  Status Rename(const std::string& from, const std::string& to) override {
    return disk_.Rename(from, to);
  }
  Status Remove(const std::string& path) override { return disk_.Remove(path); }
  Status ListFolder(const std::string& path, std::vector<std::string>* names) override {
    return disk_.ListFolder(path, names);
  }

 private:
  files::FileSystem& disk_ = files::Disk();
  int writes_to_fault_ = 0;  // 0: no fault armed
  int err_ = 0;
};

}  // namespace quillmere::testing
