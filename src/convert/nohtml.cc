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

// Finds every match and hands the text on in order: the stretches between
// matches to `keep`, and one call of `blank` for every match (which stands
// for the blank it is replaced with). A match starts at a "<" for which
// `starts(s, i)` holds and takes, from its third character on, the longest
// stretch without "<" that ends in ">".
template <typename StartTest, typename Keep, typename Blank>
void ScanMatches(TextView s, StartTest starts, Keep keep, Blank blank) {
  constexpr size_t kTagHead = 2;  // the "<" and the one character after it
  size_t copied = 0;
  for (size_t i = text::IndexOf(s, u'<'); i != TextView::npos && i + 1 < s.size();
       i = text::IndexOf(s, u'<', i)) {
    size_t close = starts(s, i) ? LastCloseBeforeNextOpen(s, i + kTagHead) : TextView::npos;
    if (close == TextView::npos) {
      ++i;
      continue;
    }
    keep(s.substr(copied, i - copied));
    blank();
    copied = i = close + 1;
  }
  keep(s.substr(copied));
}

template <typename StartTest>
Text ReplaceMatches(TextView s, StartTest starts) {
  Text out;
  out.reserve(s.size());
  ScanMatches(
      s, starts, [&](TextView kept) { out.append(kept); }, [&] { out.push_back(u' '); });
  return out;
}

bool StartsTag(TextView s, size_t i) { return s[i + 1] != u'\n'; }
bool StartsClosingTag(TextView s, size_t i) { return s[i + 1] == u'/'; }

// Removes "&nbsp;", then CR LF pairs, then blanks from a text, each removal
// running once over what the one before left, as three replace-all calls
// would, but in one sweep: the text flows through three small stages.
class CellTextCleaner {
 public:
  explicit CellTextCleaner(Text& out) : out_(out) {}

  // Text that came through unchanged. "&nbsp;" never spans two stretches:
  // they are separated by the blanks that replaced the tags.
  void Keep(TextView stretch) {
    constexpr TextView kNbsp = u"&nbsp;";
    for (size_t i = 0; i < stretch.size();) {
      if (stretch[i] == u'&' && stretch.substr(i, kNbsp.size()) == kNbsp) {
        i += kNbsp.size();
      } else {
        LineBreakStage(stretch[i++]);
      }
    }
  }
  void Blank() { LineBreakStage(u' '); }
  void Finish() {
    if (pending_cr_) BlankStage(u'\r');
    pending_cr_ = false;
  }

 private:
  void LineBreakStage(char16_t c) {
    if (pending_cr_) {
      pending_cr_ = false;
      if (c == u'\n') return;  // a CR LF pair: both go
      BlankStage(u'\r');
    }
    if (c == u'\r') {
      pending_cr_ = true;
    } else {
      BlankStage(c);
    }
  }
  void BlankStage(char16_t c) {
    if (c != u' ') out_.push_back(c);
  }

  Text& out_;
  bool pending_cr_ = false;
};

}  // namespace

namespace cell_text {

Text ReplaceTags(TextView s) { return ReplaceMatches(s, StartsTag); }

Text ReplaceClosingTags(TextView s) { return ReplaceMatches(s, StartsClosingTag); }

// The tag sweep feeds the cleaner directly. The closing-tag sweep of nohtml
// is left out here: every "</...>" it could match is a match of the tag
// sweep already, so after that sweep it never finds anything.
Text FromMarkup(TextView cell_markup) {
  constexpr TextView kCellTextPrefix = u"<td>";
  size_t gt = text::IndexOf(cell_markup, u'>');
  if (gt == TextView::npos) return Text();
  Text cell(kCellTextPrefix);
  cell.reserve(kCellTextPrefix.size() + cell_markup.size() - gt);
  CellTextCleaner cleaner(cell);
  ScanMatches(
      cell_markup.substr(gt + 1), StartsTag, [&](TextView kept) { cleaner.Keep(kept); },
      [&] { cleaner.Blank(); });
  cleaner.Finish();
  return cell;
}

}  // namespace cell_text

Text nohtml(TextView str) { return cell_text::ReplaceClosingTags(cell_text::ReplaceTags(str)); }

}  // namespace quillmere
