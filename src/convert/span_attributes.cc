#include "convert/span_attributes.h"

#include <optional>

namespace quillmere::conversion_detail {

using text::Text;
using text::TextView;

namespace {

// The end of the span attribute starting at position `p`: the nearer of the
// next blank and the next ">"; kNotFound when there is no ">", or when a
// blank follows but no ">" does.
size_t AttributeEnd(TextView markup, size_t p) {
  const size_t sp = OneBasedFind(markup, u' ', p);
  const size_t gt = OneBasedFind(markup, u'>', p);
  if (sp == kNotFound) return gt;
  if (gt == kNotFound) return kNotFound;
  return std::min(sp, gt);
}

}  // namespace

int64_t SpanValue(TextView attribute, TextView name) {
  Text value = text::ReplaceAll(attribute, name, u"");
  text::ReplaceAllInPlace(value, u"=", u"");
  text::ReplaceAllInPlace(value, u"\"", u"");
  std::optional<int64_t> n = text::ToWholeNumber(value);
  if (!n) {
    text::ReplaceAllInPlace(value, u"'", u"");
    n = text::ToWholeNumber(value);
  }
  return n.value_or(1);
}

TextView SpanAttribute(TextView markup, TextView name) {
  const size_t p = OneBasedFindNoCase(markup, name);
  if (p == kNotFound) return TextView();
  const size_t e = AttributeEnd(markup, p);
  if (e == kNotFound) return TextView();
  return markup.substr(p - 1, e - p);  // the e - p characters from position p on
}

}  // namespace quillmere::conversion_detail
