#include "document/word97/text_boxes.h"

#include <algorithm>
#include <unordered_map>

#include "document/word97/little_endian.h"

namespace quillmere::document::word97 {
namespace {

constexpr uint64_t kShapeAnchorSize = 26;  // FSPA
constexpr uint64_t kTextBoxSize = 22;      // FTXBXS
constexpr uint64_t kReusableAt = 8;        // FTXBXS.fReusable
constexpr uint64_t kShapeIdAt = 14;        // FTXBXS.lid

// A PLC of `element_size`-byte elements: n + 1 CPs, then n elements.
struct Plc {
  LittleEndian bytes;
  uint64_t count = 0;
  uint64_t element_size = 0;

  Plc(std::string_view table_stream, FcLcb at, uint64_t size) : element_size(size) {
    LittleEndian table(table_stream);
    if (at.lcb < 4 || (at.lcb - 4) % (4 + size) != 0 || !table.Has(at.fc, at.lcb)) return;
    bytes = LittleEndian(table.Slice(at.fc, at.lcb));
    count = (at.lcb - 4) / (4 + size);
  }
  uint32_t Cp(uint64_t i) const { return bytes.U32(4 * i); }
  uint64_t Element(uint64_t i) const { return 4 * (count + 1) + element_size * i; }
};

}  // namespace

std::vector<TextBoxAnchor> ReadTextBoxAnchors(std::string_view table_stream, const Fib& fib,
                                              uint32_t text_length) {
  std::vector<TextBoxAnchor> boxes;
  uint64_t story_end =
      std::min<uint64_t>(uint64_t{fib.text_box_start} + fib.text_box_length, text_length);
  Plc anchors(table_stream, fib.shape_anchors, kShapeAnchorSize);
  Plc texts(table_stream, fib.text_boxes, kTextBoxSize);
  if (fib.text_box_length == 0 || anchors.count == 0 || texts.count < 2) return boxes;

  std::unordered_map<uint32_t, uint32_t> anchor_of;  // shape id -> anchor CP
  for (uint64_t i = 0; i < anchors.count; ++i) {
    uint32_t cp = anchors.Cp(i);
    if (cp < static_cast<uint32_t>(fib.main_text_length)) {
      anchor_of.emplace(anchors.bytes.U32(anchors.Element(i)), cp);
    }
  }
  // The last entry is kept for reuse, as are those marked so: no box.
  for (uint64_t i = 0; i + 1 < texts.count; ++i) {
    uint64_t element = texts.Element(i);
    if (texts.bytes.U16(element + kReusableAt) != 0) continue;
    auto anchor = anchor_of.find(texts.bytes.U32(element + kShapeIdAt));
    uint64_t start = uint64_t{fib.text_box_start} + texts.Cp(i);
    uint64_t end = std::min(uint64_t{fib.text_box_start} + texts.Cp(i + 1), story_end);
    if (anchor == anchor_of.end() || start >= end) continue;
    boxes.push_back({anchor->second, static_cast<uint32_t>(start), static_cast<uint32_t>(end)});
  }
  std::stable_sort(boxes.begin(), boxes.end(), [](const TextBoxAnchor& a, const TextBoxAnchor& b) {
    return a.anchor < b.anchor;
  });
  return boxes;
}

}  // namespace quillmere::document::word97
