#include "convert/ustring.h"

#include <algorithm>
#include <iterator>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/encoding/unicode.h"

namespace quillmere::text {

namespace {

struct LowercaseRun {
  char32_t first, last;
  int stride;
  int delta;
};

constexpr LowercaseRun kLowercaseRuns[] = {
#include "convert/lowercase_table.inc"
};

constexpr char16_t kFirstNonAscii = 0x80;
constexpr char16_t kAsciiCaseOffset = u'a' - u'A';

inline bool IsAsciiUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }

// UTF-16 surrogates: a high half (D800..DBFF) followed by a low half
// (DC00..DFFF) stands for one code point beyond U+FFFF.
constexpr char16_t kHighSurrogateFirst = 0xD800;
constexpr char16_t kLowSurrogateFirst = 0xDC00;
constexpr char16_t kLowSurrogateLast = 0xDFFF;
constexpr char32_t kFirstSupplementary = 0x10000;
constexpr int kBitsPerHalf = 10;
constexpr char32_t kHalfMask = (1 << kBitsPerHalf) - 1;

inline bool IsSurrogate(char16_t c) { return c >= kHighSurrogateFirst && c <= kLowSurrogateLast; }
inline bool IsHighSurrogate(char16_t c) {
  return c >= kHighSurrogateFirst && c < kLowSurrogateFirst;
}
inline bool IsLowSurrogate(char16_t c) { return c >= kLowSurrogateFirst && c <= kLowSurrogateLast; }

inline char16_t LowerUnit(char16_t c) {
  if (c < kFirstNonAscii) return IsAsciiUpper(c) ? c + kAsciiCaseOffset : c;
  if (IsSurrogate(c)) return c;  // halves of pairs: see Lowercase
  return static_cast<char16_t>(LowercaseCodePoint(c));
}

#if defined(__SSE2__)
constexpr size_t kUnitsPerVector = sizeof(__m128i) / sizeof(char16_t);
// A vector holding `unit` in every lane.
inline __m128i Splat(char16_t unit) { return _mm_set1_epi16(static_cast<short>(unit)); }
#endif

// Index of the first unit equal to `a` or `b` at or after `from`, or npos;
// eight units at a time where the processor allows.
size_t FindEither(TextView s, size_t from, char16_t a, char16_t b) {
  const char16_t* p = s.data();
  const size_t n = s.size();
  size_t i = from;
#if defined(__SSE2__)
  const __m128i va = Splat(a), vb = Splat(b);
  for (; i + kUnitsPerVector <= n; i += kUnitsPerVector) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    // One mask bit per byte, so two per matching unit.
    int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, va), _mm_cmpeq_epi16(v, vb)));
    if (mask != 0) return i + __builtin_ctz(mask) / sizeof(char16_t);
  }
#endif
  for (; i < n; ++i) {
    if (p[i] == a || p[i] == b) return i;
  }
  return TextView::npos;
}

// FindEither's counterpart for a pair of units, each of two values; a value
// given twice is compared once.
template <bool kTwoFirsts, bool kTwoSeconds>
size_t FindPairOf(TextView s, size_t from, char16_t a, char16_t a_too, char16_t b, char16_t b_too) {
  const char16_t* p = s.data();
  size_t i = from;
  const size_t n = s.size();
#if defined(__SSE2__)
  const __m128i va = Splat(a), va_too = Splat(a_too), vb = Splat(b), vb_too = Splat(b_too);
  auto matches = [&](size_t at) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at + 1));
    __m128i is_first = _mm_cmpeq_epi16(first, va);
    if (kTwoFirsts) is_first = _mm_or_si128(is_first, _mm_cmpeq_epi16(first, va_too));
    __m128i is_second = _mm_cmpeq_epi16(second, vb);
    if (kTwoSeconds) is_second = _mm_or_si128(is_second, _mm_cmpeq_epi16(second, vb_too));
    return _mm_movemask_epi8(_mm_and_si128(is_first, is_second));  // two bits a match
  };
  // Two vectors a round, so the loop's own work is spread over 16 units.
  for (; i + 2 * kUnitsPerVector < n; i += 2 * kUnitsPerVector) {
    const int low = matches(i), high = matches(i + kUnitsPerVector);
    if ((low | high) == 0) continue;
    return low != 0 ? i + __builtin_ctz(low) / sizeof(char16_t)
                    : i + kUnitsPerVector + __builtin_ctz(high) / sizeof(char16_t);
  }
  for (; i + kUnitsPerVector < n; i += kUnitsPerVector) {
    const int mask = matches(i);
    if (mask != 0) return i + __builtin_ctz(mask) / sizeof(char16_t);
  }
#endif
  for (; i + 1 < n; ++i) {
    if ((p[i] == a || p[i] == a_too) && (p[i + 1] == b || p[i + 1] == b_too)) return i;
  }
  return TextView::npos;
}

size_t FindPair(TextView s, size_t from, char16_t a, char16_t a_too, char16_t b, char16_t b_too) {
  if (a == a_too) {
    return b == b_too ? FindPairOf<false, false>(s, from, a, a_too, b, b_too)
                      : FindPairOf<false, true>(s, from, a, a_too, b, b_too);
  }
  return b == b_too ? FindPairOf<true, false>(s, from, a, a_too, b, b_too)
                    : FindPairOf<true, true>(s, from, a, a_too, b, b_too);
}

inline bool IsWhiteSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// The stretch of code points between two runs that holds the CJK
// ideographs, which no run lowers: they are passed by without a search.
struct Stretch {
  char32_t after, before;  // the code points strictly between
};
constexpr char32_t kFirstIdeograph = 0x4E00, kLastIdeograph = 0x9FFF;
constexpr Stretch kIdeographStretch = [] {
  for (size_t k = 1; k < std::size(kLowercaseRuns); ++k) {
    if (kLowercaseRuns[k].first > kFirstIdeograph) {
      return Stretch{kLowercaseRuns[k - 1].last, kLowercaseRuns[k].first};
    }
  }
  return Stretch{0, 0};
}();
static_assert(kIdeographStretch.after < kFirstIdeograph &&
                  kIdeographStretch.before > kLastIdeograph,
              "no run lowers a CJK ideograph");

}  // namespace

char32_t LowercaseCodePoint(char32_t c) {
  if (c < U'A') return c;  // the first upper-case letter
  if (c > kIdeographStretch.after && c < kIdeographStretch.before) return c;
  auto it = std::upper_bound(std::begin(kLowercaseRuns), std::end(kLowercaseRuns), c,
                             [](char32_t v, const LowercaseRun& r) { return v < r.first; });
  if (it == std::begin(kLowercaseRuns)) return c;
  const LowercaseRun& run = *(it - 1);
  if (c > run.last || (c - run.first) % run.stride != 0) return c;
  return c + run.delta;
}

size_t IndexOf(TextView haystack, char16_t unit, size_t from) {
  return from >= haystack.size() ? TextView::npos : FindEither(haystack, from, unit, unit);
}

size_t IndexOfEither(TextView haystack, char16_t a, char16_t b, size_t from) {
  return from >= haystack.size() ? TextView::npos : FindEither(haystack, from, a, b);
}

size_t IndexOfPair(TextView haystack, char16_t a, char16_t a_too, char16_t b, char16_t b_too,
                   size_t from) {
  return from >= haystack.size() ? TextView::npos : FindPair(haystack, from, a, a_too, b, b_too);
}

// A needle of two units or more is looked for by its first two, which stand
// together far less often than its first alone.
size_t IndexOf(TextView haystack, TextView needle, size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : TextView::npos;
  if (needle.size() > haystack.size()) return TextView::npos;
  const size_t last = haystack.size() - needle.size();
  if (needle.size() == 1) return IndexOf(haystack.substr(0, last + 1), needle[0], from);
  const char16_t a = needle[0], b = needle[1];
  for (size_t i = IndexOfPair(haystack, a, a, b, b, from); i != TextView::npos && i <= last;
       i = IndexOfPair(haystack, a, a, b, b, i + 1)) {
    if (haystack.compare(i, needle.size(), needle) == 0) return i;
  }
  return TextView::npos;
}

size_t IndexOfNoCase(TextView haystack, TextView needle, size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : TextView::npos;
  if (needle.size() > haystack.size()) return TextView::npos;
  // The needles are short words ("colspan"): lowered on the stack.
  constexpr size_t kShortNeedle = 32;
  char16_t stack[kShortNeedle];
  Text heap;
  TextView folded;
  if (needle.size() <= kShortNeedle && !std::any_of(needle.begin(), needle.end(), IsSurrogate)) {
    std::transform(needle.begin(), needle.end(), stack, LowerUnit);
    folded = TextView(stack, needle.size());
  } else {
    heap = Lowercase(needle);
    folded = heap;
  }
  const size_t last = haystack.size() - needle.size();
  // Only "A".."Z" lower into ASCII letters, apart from U+0130 (to "i") and
  // the Kelvin sign (to "k"); for other first letters two units are enough
  // to look for.
  const char16_t first = folded[0];
  const bool plain = first >= u'a' && first <= u'z' && first != u'i' && first != u'k';
  const char16_t upper = plain ? first - kAsciiCaseOffset : first;
  for (size_t i = from; i <= last; ++i) {
    if (plain) {
      i = FindEither(haystack, i, first, upper);
      if (i == TextView::npos || i > last) return TextView::npos;
    } else if (LowerUnit(haystack[i]) != first) {
      continue;
    }
    size_t j = 1;
    while (j < folded.size() && LowerUnit(haystack[i + j]) == folded[j]) ++j;
    if (j == folded.size()) return i;
  }
  return TextView::npos;
}

std::vector<TextView> Split(TextView s, TextView separator) {
  std::vector<TextView> pieces;
  if (s.empty()) return pieces;
  size_t from = 0;
  for (size_t at = IndexOf(s, separator); at != TextView::npos; at = IndexOf(s, separator, from)) {
    pieces.push_back(s.substr(from, at - from));
    from = at + separator.size();
  }
  pieces.push_back(s.substr(from));
  return pieces;
}

Text ReplaceAll(TextView s, TextView from, TextView to) {
  Text out;
  out.reserve(s.size());
  size_t pos = 0;
  for (size_t at = IndexOf(s, from); !from.empty() && at != TextView::npos;
       at = IndexOf(s, from, pos)) {
    out.append(s, pos, at - pos).append(to);
    pos = at + from.size();
  }
  out.append(s, pos);
  return out;
}

void ReplaceAllInPlace(Text& s, TextView from, TextView to) {
  if (from.empty()) return;
  size_t first = IndexOf(s, from);
  if (first == Text::npos) return;
  if (!to.empty()) {
    s = ReplaceAll(s, from, to);
    return;
  }
  // Removal: compact the kept stretches towards the front.
  size_t write = first;
  size_t read = first + from.size();
  for (size_t at = IndexOf(s, from, read); at != Text::npos; at = IndexOf(s, from, read)) {
    std::copy(s.begin() + read, s.begin() + at, s.begin() + write);
    write += at - read;
    read = at + from.size();
  }
  std::copy(s.begin() + read, s.end(), s.begin() + write);
  s.resize(write + (s.size() - read));
}

TextView TrimSpaces(TextView s) {
  size_t begin = 0, end = s.size();
  while (begin < end && s[begin] == u' ') ++begin;
  while (end > begin && s[end - 1] == u' ') --end;
  return s.substr(begin, end - begin);
}

namespace {

// Lowers out[from, end) in place. ASCII goes first, without branches, so the
// loop vectorizes (markup is mostly ASCII); other letters after, if any.
void LowercaseInPlace(Text& out, size_t from) {
  constexpr char16_t kNonAsciiBits = static_cast<char16_t>(~(kFirstNonAscii - 1));
  constexpr char16_t kLettersAfterA = u'Z' - u'A';
  char16_t any_other = 0;
  for (size_t i = from; i < out.size(); ++i) {
    char16_t c = out[i];
    any_other |= c & kNonAsciiBits;
    // Below 'A' the difference wraps around to a large value.
    out[i] = c + (static_cast<char16_t>(c - u'A') <= kLettersAfterA ? kAsciiCaseOffset : 0);
  }
  if (any_other == 0) return;
  for (size_t i = from; i < out.size(); ++i) {
    char16_t c = out[i];
    if (c < kFirstNonAscii) continue;
    if (IsHighSurrogate(c) && i + 1 < out.size() && IsLowSurrogate(out[i + 1])) {
      char32_t cp = kFirstSupplementary + ((char32_t{c} - kHighSurrogateFirst) << kBitsPerHalf) +
                    (out[i + 1] - kLowSurrogateFirst);
      char32_t low = LowercaseCodePoint(cp) - kFirstSupplementary;
      out[i] = static_cast<char16_t>(kHighSurrogateFirst + (low >> kBitsPerHalf));
      out[i + 1] = static_cast<char16_t>(kLowSurrogateFirst + (low & kHalfMask));
      ++i;
    } else {
      out[i] = LowerUnit(c);
    }
  }
}

}  // namespace

void AppendLowercase(Text& out, TextView s) {
  const size_t from = out.size();
  out.append(s);
  LowercaseInPlace(out, from);
}

Text Lowercase(TextView s) {
  // Copy and lower in cache-sized chunks, so a long text is read and written
  // once. A chunk never ends between the halves of a surrogate pair.
  constexpr size_t kChunk = 8192;
  Text out;
  out.reserve(s.size());
  for (size_t from = 0; from < s.size();) {
    size_t to = std::min(s.size(), from + kChunk);
    if (to < s.size() && IsHighSurrogate(s[to - 1])) ++to;
    out.append(s.substr(from, to - from));
    LowercaseInPlace(out, from);
    from = to;
  }
  return out;
}

std::optional<int64_t> ToWholeNumber(TextView s) {
  constexpr int64_t kLimit = 1'000'000'000'000'000;
  size_t i = 0, end = s.size();
  while (i < end && IsWhiteSpace(s[i])) ++i;
  while (end > i && IsWhiteSpace(s[end - 1])) --end;
  bool negative = false;
  if (i < end && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
  int64_t whole = 0;
  size_t digits = 0;
  for (; i < end && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits) {
    whole = std::min(kLimit, whole * 10 + (s[i] - u'0'));
  }
  // Fraction: only whether it is below, at or above one half matters.
  int half = -1;  // -1 below, 0 exactly, 1 above
  if (i < end && s[i] == u'.') {
    ++i;
    bool first = true;
    for (; i < end && s[i] >= u'0' && s[i] <= u'9'; ++i, ++digits, first = false) {
      int d = s[i] - u'0';
      if (first) {
        half = d < 5 ? -1 : (d > 5 ? 1 : 0);
      } else if (half == 0 && d != 0) {
        half = 1;
      }
    }
  }
  if (digits == 0 || i != end) return std::nullopt;
  if (half > 0 || (half == 0 && whole % 2 == 1)) whole = std::min(kLimit, whole + 1);
  return negative ? -whole : whole;
}

Text FromNumber(int64_t n) { return unicode::FromNumber(n); }

}  // namespace quillmere::text
