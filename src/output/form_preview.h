// cc.html of a forms reading: the records as a table whose first row is
// the names, one row per document, then the documents left out and what
// the reading says of itself. It is written as the records come, so a
// reading never holds them; code page 936, a character it lacks written as
// a character reference.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

class FormPreview {
 public:
  // The page goes to `write`, which must outlive the preview.
  explicit FormPreview(const files::FileSystem::PieceWriter& write) : write_(write) {}

  // The table's start and its first row: document and the names.
  Status Start(const std::vector<std::u16string>& names);
  // One record's row.
  Status Record(std::u16string_view document, const std::vector<std::u16string>& values);
  // The table's end, then a line for each document left out (its name and
  // failure) and each of `notes`.
  Status Finish(const std::vector<std::pair<std::string, Status>>& left_out,
                const std::vector<std::string>& notes);

 private:
  Status Row(std::u16string_view first, const std::vector<std::u16string>& cells);
  Status Flush();

  const files::FileSystem::PieceWriter& write_;
  std::u16string page_;
};

}  // namespace quillmere
