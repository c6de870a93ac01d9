#include "output/text_log.h"

#include <algorithm>
#include <iterator>

#include "platform/encoding/codepage.h"

namespace quillmere {

namespace {

// Each new block is twice the last, from 64 KiB up to 1 MiB: small enough
// that a log written out a block at a time holds little, large enough that
// a page is written in few pieces.
constexpr size_t kFirstBlock = size_t{1} << 16;
constexpr size_t kLargestBlock = size_t{1} << 20;
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

std::vector<std::string> TextLog::TakeFullBlocks() {
  std::vector<std::string> full;
  if (blocks_.size() < 2) return full;
  full.assign(std::make_move_iterator(blocks_.begin()), std::make_move_iterator(blocks_.end() - 1));
  blocks_.erase(blocks_.begin(), blocks_.end() - 1);
  return full;
}

std::u16string TextLog::Joined() const {
  std::u16string text;
  for (const std::string& block : blocks_) text += codepage::DecodeCp936(block);
  return text;
}

}  // namespace quillmere
