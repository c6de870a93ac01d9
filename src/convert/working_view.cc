#include "convert/working_view.h"

#include <iterator>

namespace quillmere::conversion_detail {

using text::Text;
using text::TextView;

namespace {

// The tags the working text loses, in the order they are removed.
constexpr TextView kRemovedTags[] = {u"</table>", u"</tr>", u"</thead>", u"<thead>"};
constexpr size_t kLongestRemovedTag = [] {
  size_t longest = 0;
  for (TextView tag : kRemovedTags) longest = std::max(longest, tag.size());
  return longest;
}();

// True when an unclosed "<" stands among the last kLongestRemovedTag
// characters before `end`: text after `end` could then complete a tag with it.
bool UnclosedTagBefore(TextView s, size_t end) {
  for (size_t i = end; i > 0 && end - i < kLongestRemovedTag; --i) {
    if (s[i - 1] == u'>') return false;
    if (s[i - 1] == u'<') return true;
  }
  return false;
}

// One sweep over `working` removing the four tags. Returns false when a
// removal joins text around its gap into something that may be a tag.
bool RemoveTableTagsInOneSweep(Text& working) {
  size_t read = 0, write = 0;
  for (size_t lt = text::IndexOf(working, u'<'); lt != Text::npos;
       lt = text::IndexOf(working, u'<', lt + 1)) {
    const TextView rest = TextView(working).substr(lt);
    const TextView* tag = std::find_if(std::begin(kRemovedTags), std::end(kRemovedTags),
                                       [&](TextView t) { return rest.substr(0, t.size()) == t; });
    if (tag == std::end(kRemovedTags)) continue;
    std::copy(working.begin() + read, working.begin() + lt, working.begin() + write);
    write += lt - read;
    read = lt + tag->size();
    lt = read - 1;
    if (UnclosedTagBefore(working, write)) return false;
  }
  std::copy(working.begin() + read, working.end(), working.begin() + write);
  working.resize(write + (working.size() - read));
  return true;
}

// The first "<" at or after `from` that may start a removed tag: followed by
// a "t" in either case ("<thead>"), or by "/" and such a "t" (the others).
size_t NextRemovedTagStart(TextView markup, size_t from) {
  for (size_t at = text::IndexOfPair(markup, u'<', u'/', u't', u'T', from); at != TextView::npos;
       at = text::IndexOfPair(markup, u'<', u'/', u't', u'T', at + 1)) {
    if (markup[at] == u'<') return at;
    if (at > from && markup[at - 1] == u'<') return at - 1;
  }
  return TextView::npos;
}

// Notes the "<" at `lt` in `row_tags` when it starts a row tag.
void NoteRowTag(TextView markup, size_t lt, RowTags* row_tags) {
  const TextView rest = markup.substr(lt);
  if (StartsWithNoCase(rest, u"<tr ")) row_tags->starts.push_back(lt);
  if (StartsWithNoCase(rest, u"<tr>")) row_tags->bare.push_back(lt);
}

}  // namespace

RowTags FindRowTags(TextView working) {
  RowTags row_tags;
  for (size_t lt = text::IndexOfPair(working, u'<', u'<', u't', u'T'); lt != TextView::npos;
       lt = text::IndexOfPair(working, u'<', u'<', u't', u'T', lt + 1)) {
    NoteRowTag(working, lt, &row_tags);
  }
  return row_tags;
}

bool FindRemovedTags(TextView markup, std::vector<Range>* removed, RowTags* row_tags) {
  for (size_t lt = NextRemovedTagStart(markup, 0); lt != TextView::npos;
       lt = NextRemovedTagStart(markup, lt + 1)) {
    NoteRowTag(markup, lt, row_tags);
    const TextView rest = markup.substr(lt);
    const TextView* tag = std::find_if(std::begin(kRemovedTags), std::end(kRemovedTags),
                                       [&](TextView t) { return StartsWithNoCase(rest, t); });
    if (tag == std::end(kRemovedTags)) continue;
    // Looking back over the markup rather than the working text is enough:
    // a removed tag ends in ">", and the first of a run of removals that
    // would make a tag has the "<" right before it.
    if (UnclosedTagBefore(markup, lt)) return false;
    removed->push_back({lt, lt + tag->size()});
    lt += tag->size() - 1;
  }
  return true;
}

Text WorkingText(TextView strTable) {
  Text working = text::Lowercase(strTable);
  if (RemoveTableTagsInOneSweep(working)) return working;
  // The tags cannot overlap (each holds one "<" and they differ right after
  // it), so the sweep removes what four replace-alls in a row remove, unless
  // a removal joins the text around its gap into a later tag. Then run them.
  working = text::Lowercase(strTable);
  for (TextView tag : kRemovedTags) text::ReplaceAllInPlace(working, tag, u"");
  return working;
}

void WriteWorkingTextOut(TextView strTable, Text* working, Text* original) {
  if (original == nullptr) {
    *working = WorkingText(strTable);
    return;
  }
  *working = text::Lowercase(strTable);
  original->assign(strTable);
  for (TextView tag : kRemovedTags) RemoveAll(*working, tag, original);
}

}  // namespace quillmere::conversion_detail
