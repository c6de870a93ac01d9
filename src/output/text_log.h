// Text that only grows, kept in blocks so that growing never moves what is
// already there: a run's preview rows and statement log, which reach tens of
// megabytes for a large table. It is kept as the preview page holds it, in
// code page 936 ("?" for a character it lacks), encoded as it comes: half
// the memory of the text, and the page is its blocks as they stand.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

class TextLog {
 public:
  // Appends `piece` encoded, which stands whole in one block. A piece
  // never ends between the halves of a surrogate pair.
  void Append(std::u16string_view piece);
  void clear();
  // In bytes.
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // The blocks, in order; together they are the encoded text.
  const std::vector<std::string>& blocks() const { return blocks_; }
  // The text as the blocks hold it, decoded.
  std::u16string Joined() const;
  // Takes out every block but the last, which the next pieces still go to:
  // the blocks that are full, to be written and let go of.
  std::vector<std::string> TakeFullBlocks();

 private:
  std::vector<std::string> blocks_;
  size_t size_ = 0;
};

}  // namespace quillmere
