// The working text: a table's markup lowercased, without "</table>",
// "</tr>", "</thead>" and "<thead>". It is never written out whole when it
// need not be: a WorkingView reads it through the markup, searching the
// markup itself, skipping the stretches the tags take and mapping positions
// between the two. Only when removing a tag would join the text around it
// into something that may be a tag is the working text written out.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "convert/markup_search.h"
#include "convert/ustring.h"

namespace quillmere::conversion_detail {

// A stretch [begin, end) of the markup.
struct Range {
  size_t begin = 0;
  size_t end = 0;
};

// Where the row tags stand in a markup: every "<tr " and every bare "<tr>",
// in any case, in order. They are found in the sweep that finds the removed
// tags, so that the passes need not sweep the markup for them again.
struct RowTags {
  std::vector<size_t> starts;  // "<tr "
  std::vector<size_t> bare;    // "<tr>"
};

// The working text read through the markup: the markup lowercased, less the
// removed tags. Searches run over the markup, skipping what was removed.
// (When `lowered`, the markup is the working text itself, removals made.)
class WorkingView {
 public:
  WorkingView(text::TextView markup, bool lowered, std::vector<Range> removed, RowTags row_tags)
      : markup_(markup),
        lowered_(lowered),
        removed_(std::move(removed)),
        row_tags_(std::move(row_tags)) {
    size_t before = 0;
    for (const Range& r : removed_) {
      removed_before_.push_back(before);
      before += r.end - r.begin;
    }
  }

  text::TextView markup() const { return markup_; }
  size_t size() const { return markup_.size(); }
  bool lowered() const { return lowered_; }

  // The markup index of the first `token` of the working text at or after
  // markup index `from` (and ending by `end`), or npos. `hint` (see HintFor)
  // makes a sweep of ascending searches linear.
  //
  // A token of two units or more is looked for by a pair of its units (its
  // second and third when it has three), in either case: a pair stands far
  // less often than a "<" or ">" does.
  size_t Find(text::TextView token, size_t from, size_t end, size_t* hint) const {
    const text::TextView within = markup_.substr(0, end);
    if (token.size() < 2) {
      for (size_t i = text::IndexOf(within, token[0], from); i != text::TextView::npos;
           i = text::IndexOf(within, token[0], i + 1)) {
        const Range* removed = RemovedAt(i, hint);
        if (removed != nullptr) {
          i = removed->end - 1;
        } else {
          return i;
        }
      }
      return text::TextView::npos;
    }
    // The token's first unit is matched exactly, the others in either case.
    const size_t k = token.size() > 2 ? 1 : 0;  // where the pair stands in the token
    const char16_t a = token[k], a_too = k == 0 ? a : UpperCase(a), b = token[k + 1];
    for (size_t j = text::IndexOfPair(within, a, a_too, b, UpperCase(b), from + k);
         j != text::TextView::npos;
         j = text::IndexOfPair(within, a, a_too, b, UpperCase(b), j + 1)) {
      const size_t i = j - k;
      const Range* removed = RemovedAt(i, hint);
      if (removed != nullptr) {
        j = removed->end + k - 1;
      } else if (within[i] == token[0] && StartsWithNoCase(within.substr(i), token)) {
        return i;
      }
    }
    return text::TextView::npos;
  }
  size_t Find(text::TextView token, size_t from, size_t* hint) const {
    return Find(token, from, size(), hint);
  }

  // As Find(u"<tr ", from) finds it, or with `bare` Find(u"<tr>", from):
  // no row tag lies in a removed stretch, each of which holds one "<", at
  // its start, before no "t".
  size_t FindRowTag(bool bare, size_t from) const {
    const std::vector<size_t>& at = bare ? row_tags_.bare : row_tags_.starts;
    auto found = std::lower_bound(at.begin(), at.end(), from);
    return found == at.end() ? text::TextView::npos : *found;
  }

  // The index of the first removed stretch that ends after `index`.
  size_t HintFor(size_t index) const {
    return static_cast<size_t>(
        std::upper_bound(removed_.begin(), removed_.end(), index,
                         [](size_t at, const Range& r) { return at < r.end; }) -
        removed_.begin());
  }

  // Where markup index `index` stands in the working text.
  size_t WorkingIndex(size_t index) const {
    auto after = std::upper_bound(removed_.begin(), removed_.end(), index,
                                  [](size_t i, const Range& r) { return i < r.begin; });
    if (after == removed_.begin()) return index;
    const size_t k = static_cast<size_t>(after - removed_.begin()) - 1;
    return index - removed_before_[k] - (std::min(index, removed_[k].end) - removed_[k].begin);
  }

  // The removed stretches inside [begin, end), in order.
  std::pair<const Range*, const Range*> RemovedIn(size_t begin, size_t end) const {
    auto first = std::lower_bound(removed_.begin(), removed_.end(), begin,
                                  [](const Range& r, size_t i) { return r.begin < i; });
    auto last = std::lower_bound(first, removed_.end(), end,
                                 [](const Range& r, size_t i) { return r.begin < i; });
    return {removed_.data() + (first - removed_.begin()),
            removed_.data() + (last - removed_.begin())};
  }

 private:
  // The removed stretch holding markup index `i`, or nullptr.
  const Range* RemovedAt(size_t i, size_t* hint) const {
    size_t& k = *hint;
    if (k > removed_.size() || (k > 0 && removed_[k - 1].end > i)) k = HintFor(i);
    while (k < removed_.size() && removed_[k].end <= i) ++k;
    return k < removed_.size() && removed_[k].begin <= i ? &removed_[k] : nullptr;
  }

  text::TextView markup_;
  bool lowered_;
  std::vector<Range> removed_;
  std::vector<size_t> removed_before_;  // characters removed before each stretch
  RowTags row_tags_;
};

// The stretches of the markup the working text loses: "</table>", "</tr>",
// "</thead>", "<thead>" in any case. False when removing one would join the
// text around it into something that may be a tag (an unclosed "<" just
// before it), which only the working text written out shows right.
// The row tags of the markup go to `row_tags` as the sweep passes them (all
// of them when it returns true).
bool FindRemovedTags(text::TextView markup, std::vector<Range>* removed, RowTags* row_tags);

// The row tags of a working text written out.
RowTags FindRowTags(text::TextView working);

// `strTable` lowercased, without "</table>", "</tr>", "</thead>", "<thead>".
text::Text WorkingText(text::TextView strTable);

// The working text written out into `working`; with `original`, `strTable`
// there too with the same stretches removed, before lowercasing.
void WriteWorkingTextOut(text::TextView strTable, text::Text* working, text::Text* original);

}  // namespace quillmere::conversion_detail
