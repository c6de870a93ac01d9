#include "output/text_log.h"

#include <algorithm>

#include "platform/encoding/codepage.h"
#include "platform/memory.h"

namespace quillmere {

namespace {

// Each new block is twice the last, from 64 KiB up to 8 MiB.
constexpr size_t kFirstBlock = size_t{1} << 16;
constexpr size_t kLargestBlock = size_t{1} << 23;
// A unit takes at most two bytes in code page 936.
constexpr size_t kMostBytesPerUnit = 2;

}  // namespace

void TextLog::Append(std::u16string_view piece) {
  const size_t most = kMostBytesPerUnit * piece.size();
  if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < most) {
    const size_t next =
        blocks_.empty() ? kFirstBlock : std::min(2 * blocks_.back().capacity(), kLargestBlock);
    std::string& block = blocks_.emplace_back();
    block.reserve(std::max(next, most));
    memory::PreferHugePages(block.data(), block.capacity());
  }
  std::string& block = blocks_.back();
  const size_t before = block.size();
  codepage::AppendCp936(piece, codepage::Unencodable::kQuestionMark, &block);
  size_ += block.size() - before;
}

void TextLog::clear() {
  blocks_.clear();
  size_ = 0;
}

std::u16string TextLog::Joined() const {
  std::u16string text;
  for (const std::string& block : blocks_) text += codepage::DecodeCp936(block);
  return text;
}

}  // namespace quillmere
