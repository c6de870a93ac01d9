// Text that only grows, kept in blocks so that growing never moves what is
// already there: a run's preview rows and statement log, which reach tens of
// megabytes for a large table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

class TextLog {
 public:
  // Appends `piece`, which stands whole in one block.
  void Append(std::u16string_view piece);
  void clear();
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The blocks, in order; together they are the text.
  const std::vector<std::u16string>& blocks() const { return blocks_; }
  std::u16string Joined() const;

 private:
  std::vector<std::u16string> blocks_;
  size_t size_ = 0;
};

}  // namespace quillmere
