#include "convert/nohtml.h"

namespace quillmere {

namespace {

using text::Text;
using text::TextView;

// Position of the last ">" in [from, next "<" at or after `from`), or npos.
// Each stretch between two "<" is scanned by at most two starting points, so
// a sweep stays linear.
size_t LastCloseBeforeNextOpen(TextView s, size_t from) {
  size_t last = TextView::npos;
  for (size_t k = from; k < s.size() && s[k] != u'<'; ++k) {
    if (s[k] == u'>') last = k;
  }
  return last;
}

// Replaces every match by one blank. A match starts at a "<" for which
// `starts(s, i)` holds and takes, from its third character on, the longest
// stretch without "<" that ends in ">".
template <typename StartTest>
Text ReplaceMatches(TextView s, StartTest starts) {
  Text out;
  out.reserve(s.size());
  size_t copied = 0;
  for (size_t i = s.find(u'<'); i != TextView::npos && i + 1 < s.size(); i = s.find(u'<', i)) {
    size_t close = starts(s, i) ? LastCloseBeforeNextOpen(s, i + 2) : TextView::npos;
    if (close == TextView::npos) {
      ++i;
      continue;
    }
    out.append(s, copied, i - copied).push_back(u' ');
    copied = i = close + 1;
  }
  out.append(s, copied);
  return out;
}

}  // namespace

namespace cell_text {

Text ReplaceTags(TextView s) {
  return ReplaceMatches(s, [](TextView t, size_t i) { return t[i + 1] != u'\n'; });
}

Text ReplaceClosingTags(TextView s) {
  return ReplaceMatches(s, [](TextView t, size_t i) { return t[i + 1] == u'/'; });
}

Text FromMarkup(TextView cell_markup) {
  size_t gt = cell_markup.find(u'>');
  if (gt == TextView::npos) return Text();
  Text cell = u"<td>" + nohtml(cell_markup.substr(gt + 1));
  text::ReplaceAllInPlace(cell, u"&nbsp;", u"");
  text::ReplaceAllInPlace(cell, u"\r\n", u"");
  text::ReplaceAllInPlace(cell, u" ", u"");
  return cell;
}

}  // namespace cell_text

Text nohtml(TextView str) {
  return cell_text::ReplaceClosingTags(cell_text::ReplaceTags(str));
}

}  // namespace quillmere
