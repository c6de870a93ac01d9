#include "platform/qt/page_parts.h"

#include <string_view>
#include <utility>

namespace quillmere {

namespace {

constexpr std::string_view kLineStart = "\n<";  // a cut falls on the '<'
constexpr std::string_view kTableEnd = "</table>";

}  // namespace

PageParts::PageParts(std::string page, size_t part_bytes) : page_(std::move(page)) {
  const size_t size = page_.size();
  for (size_t begin = page_.find("<table"); begin != std::string::npos;
       begin = page_.find("<table", tables_.back().end)) {
    const size_t tag_end = page_.find('>', begin);
    if (tag_end == std::string::npos) break;
    const size_t end = page_.find(kTableEnd, tag_end);
    tables_.push_back({begin, tag_end + 1, end == std::string::npos ? size : end});
  }
  starts_.push_back(0);
  for (size_t start = 0; size - start > part_bytes;) {
    size_t line = page_.rfind(kLineStart, start + part_bytes - 1);
    if (line == std::string::npos || line < start) {
      line = page_.find(kLineStart, start + part_bytes);  // a line longer than a part
      if (line == std::string::npos) break;
    }
    start = line + 1;
    starts_.push_back(start);
  }
  starts_.push_back(size);
}

const PageParts::Table* PageParts::TableAround(size_t at) const {
  for (const Table& table : tables_) {
    if (table.body <= at && at < table.end) return &table;
  }
  return nullptr;
}

std::string PageParts::Part(size_t index) const {
  const size_t begin = starts_.at(index);
  const size_t end = starts_.at(index + 1);
  std::string part;
  if (const Table* open = TableAround(begin)) {
    part.append(page_, open->begin, open->body - open->begin);
  }
  part.append(page_, begin, end - begin);
  if (TableAround(end) != nullptr) part.append(kTableEnd);
  return part;
}

}  // namespace quillmere
