// A cell's span attributes, "colspan" and "rowspan": found, cut from its
// markup and read as the conversion's rules have them (positions counted
// from 1, a value that does not convert counting as 1).
#pragma once

#include <algorithm>
#include <cstdint>

#include "convert/conversion_limits.h"
#include "convert/markup_search.h"
#include "convert/ustring.h"

namespace quillmere::conversion_detail {

// The span value of `attribute` ("colspan=2", "rowspan='3'" ...) once the
// attribute name, "=" and quotes are gone; 1 when it does not convert.
int64_t SpanValue(text::TextView attribute, text::TextView name);

// The attribute that starts where `name` is found (without regard to case),
// up to the nearer blank or ">"; empty when there is none.
text::TextView SpanAttribute(text::TextView markup, text::TextView name);

// Whether "colspan" or "rowspan" stands in `s`, in any case (as
// IndexOfNoCase finds them: no letter but ASCII ones lowers into these).
inline bool MentionsSpan(text::TextView s) {
  for (size_t i = text::IndexOfPair(s, u's', u'S', u'p', u'P', 3); i != text::TextView::npos;
       i = text::IndexOfPair(s, u's', u'S', u'p', u'P', i + 1)) {
    const text::TextView word = s.substr(i - 3);
    if (StartsWithNoCase(word.substr(3), u"span") &&
        (StartsWithNoCase(word, u"col") || StartsWithNoCase(word, u"row"))) {
      return true;
    }
  }
  return false;
}

// How many columns a piece stands for: its "colspan" value, capped at
// kMaxColumnSpan; 1 when it has no such attribute. A piece not yet
// lowercased has its attribute lowercased first.
inline int64_t ColumnSpan(text::TextView piece, bool lowered) {
  const text::TextView colspan = SpanAttribute(piece, u"colspan");
  if (colspan.empty()) return 1;
  return std::min(SpanValue(lowered ? text::Text(colspan) : text::Lowercase(colspan), u"colspan"),
                  kMaxColumnSpan);
}

// Cuts every occurrence of the span attribute `name` from the cell markup
// (and, when given, the same stretches from its original) and returns the
// attribute's text (empty when the cell has none).
inline text::Text CutSpanAttribute(text::TextView name, text::Text& markup, text::Text* original) {
  text::Text attribute(SpanAttribute(markup, name));
  if (!attribute.empty()) RemoveAll(markup, attribute, original);
  return attribute;
}

}  // namespace quillmere::conversion_detail
