#include "output/text_log.h"

#include <algorithm>

#include "platform/memory.h"

namespace quillmere {

namespace {

// Each new block is twice the last, from 32 Ki units up to 4 Mi (8 MiB).
constexpr size_t kFirstBlock = size_t{1} << 15;
constexpr size_t kLargestBlock = size_t{1} << 22;

}  // namespace

void TextLog::Append(std::u16string_view piece) {
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < piece.size()) {
    const size_t next =
        blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().capacity(), kLargestBlock);
    std::u16string& block = blocks_.emplace_back();
    block.reserve(std::max(next, piece.size()));
    memory::PreferHugePages(block.data(), block.capacity() * sizeof(char16_t));
  }
  blocks_.back().append(piece);
  size_ += piece.size();
}

void TextLog::clear() {
  blocks_.clear();
  size_ = 0;
}

std::u16string TextLog::Joined() const {
  std::u16string text;
  text.reserve(size_);
  for (const std::u16string& block : blocks_) text.append(block);
  return text;
}

}  // namespace quillmere
