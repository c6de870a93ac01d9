// Bounds-checked little-endian reads from a byte buffer.
//
// Every read outside the buffer yields 0 instead of touching memory, so a
// damaged file can never make a reader run past its data; readers still check
// `Has` where a short structure must be reported as an error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmere::document::word97 {

class LittleEndian {
 public:
  LittleEndian() = default;
  explicit LittleEndian(std::string_view bytes) : bytes_(bytes) {}

  size_t size() const { return bytes_.size(); }
  std::string_view bytes() const { return bytes_; }

  // True when [offset, offset + length) lies inside the buffer.
  bool Has(uint64_t offset, uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  // The bytes [offset, offset + length), clipped to the buffer.
  std::string_view Slice(uint64_t offset, uint64_t length) const {
    if (offset >= bytes_.size()) return {};
    return bytes_.substr(offset, length);
  }

  uint8_t U8(uint64_t offset) const {
    return Has(offset, 1) ? static_cast<uint8_t>(bytes_[offset]) : 0;
  }
  uint16_t U16(uint64_t offset) const {
    return Has(offset, 2) ? static_cast<uint16_t>(Byte(offset) | Byte(offset + 1) << 8) : 0;
  }
  uint32_t U32(uint64_t offset) const {
    if (!Has(offset, 4)) return 0;
    return Byte(offset) | Byte(offset + 1) << 8 | Byte(offset + 2) << 16 |
           static_cast<uint32_t>(Byte(offset + 3)) << 24;
  }
  uint64_t U64(uint64_t offset) const {
    return Has(offset, 8) ? U32(offset) | static_cast<uint64_t>(U32(offset + 4)) << 32 : 0;
  }
  int16_t I16(uint64_t offset) const { return static_cast<int16_t>(U16(offset)); }
  int32_t I32(uint64_t offset) const { return static_cast<int32_t>(U32(offset)); }

 private:
  uint32_t Byte(uint64_t offset) const { return static_cast<uint8_t>(bytes_[offset]); }

  std::string_view bytes_;
};

}  // namespace quillmere::document::word97
