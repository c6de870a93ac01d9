// A long page cut into parts that a browser engine lays out in a moment each.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quillmere {

// The page's bytes, in an encoding that writes ASCII as ASCII (code page 936
// does, and no byte of its two-byte characters is a line break), cut before
// lines that start with a tag: between the rows of a table or between the
// statements after it. A part that ends inside a table closes it, and the
// part after opens it again with the same tag, so every part shows its rows
// as the whole page does; tables are found by "<table" and "</table>", as
// the preview page writes them.
class PageParts {
 public:
  // Parts of at most `part_bytes` of the page each, but for a line longer
  // than that, which stays whole in a part of its own.
  PageParts(std::string page, size_t part_bytes);

  size_t count() const { return starts_.size() - 1; }

  // Part `index` (from 0) as a page of its own.
  std::string Part(size_t index) const;

 private:
  struct Table {
    size_t begin;  // of "<table"
    size_t body;   // just after the tag's ">"
    size_t end;    // of "</table>", or the page's end
  };

  // The table whose body holds the byte at `at`, or null.
  const Table* TableAround(size_t at) const;

  std::string page_;
  std::vector<Table> tables_;
  std::vector<size_t> starts_;  // each part's first byte, then the page's size
};

}  // namespace quillmere
