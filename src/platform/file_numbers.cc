#include "platform/file_numbers.h"

#include <algorithm>
#include <utility>

#include "platform/translation.h"

namespace quillmere::files {

int FileNumbers::FreeFile() const {
  int number = kFirst;
  while (open_.count(number) != 0) ++number;
  return number;
}

Status FileNumbers::NotOpen(int number) {
  return Status(ErrorNumber::kFileIo, Fill(Tr("File number %s is not open."), number));
}

Status FileNumbers::Lookup(int number, Open** open) {
  auto it = open_.find(number);
  if (it == open_.end()) return NotOpen(number);
  *open = &it->second;
  return Status();
}

Status FileNumbers::CheckFree(int number) const {
  if (number < kFirst || number > kLast) {
    return Status(ErrorNumber::kFileIo, Fill(Tr("Bad file number %s."), number));
  }
  if (open_.count(number) != 0) {
    return Status(ErrorNumber::kFileIo, Fill(Tr("File number %s is already open."), number));
  }
  return Status();
}

Status FileNumbers::OpenForBinary(int number, const std::string& path, uint64_t max_bytes) {
  QM_RETURN_IF_ERROR(CheckFree(number));
  Open open;
  open.path = path;
  QM_RETURN_IF_ERROR(file_system_.ReadWholeFile(path, max_bytes, &open.bytes));
  open.length = open.bytes.size();
  open_[number] = std::move(open);
  return Status();
}

Status FileNumbers::OpenForOutput(int number, const std::string& path) {
  QM_RETURN_IF_ERROR(CheckFree(number));
  Open& open = open_[number];
  open.path = path;
  open.output = true;
  return Status();
}

Status FileNumbers::Length(int number, uint64_t* bytes) const {
  auto it = open_.find(number);
  if (it == open_.end()) return NotOpen(number);
  const Open& open = it->second;
  *bytes = open.output ? open.bytes.size() : open.length;
  return Status();
}

Status FileNumbers::Get(int number, size_t count, std::string* bytes) {
  Open* open = nullptr;
  QM_RETURN_IF_ERROR(Lookup(number, &open));
  const size_t take = std::min(count, open->bytes.size() - open->position);
  if (open->position == 0 && take == open->bytes.size()) {
    *bytes = std::move(open->bytes);  // the whole file, as the commands read it: no copy
    open->bytes.clear();
  } else {
    bytes->assign(open->bytes, open->position, take);
    open->position += take;
  }
  return Status();
}

Status FileNumbers::Print(int number, std::string bytes) {
  Open* open = nullptr;
  QM_RETURN_IF_ERROR(Lookup(number, &open));
  if (!open->output) {
    return Status(ErrorNumber::kFileIo, Fill(Tr("File number %s is not open for output."), number));
  }
  if (open->bytes.empty()) {
    open->bytes = std::move(bytes);  // the whole file, as the commands write it: no copy
  } else {
    open->bytes.append(bytes);
  }
  return Status();
}

Status FileNumbers::Close(int number) {
  auto it = open_.find(number);
  if (it == open_.end()) return Status();
  Open open = std::move(it->second);
  open_.erase(it);
  if (!open.output) return Status();
  return file_system_.ReplaceWholeFile(open.path, open.bytes);
}

}  // namespace quillmere::files
