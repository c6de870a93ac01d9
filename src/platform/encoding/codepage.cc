#include "platform/encoding/codepage.h"

#include <iconv.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <stdexcept>

#include "platform/memory.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillmere::codepage {

namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr unsigned kFirstNonAscii = 0x80;

// UTF-16 surrogates: a high half followed by a low half stands for one code
// point beyond U+FFFF.
constexpr char16_t kHighFirst = 0xD800, kLowFirst = 0xDC00, kLowLast = 0xDFFF;
inline bool IsHigh(char16_t c) { return c >= kHighFirst && c < kLowFirst; }
inline bool IsLow(char16_t c) { return c >= kLowFirst && c <= kLowLast; }
inline bool IsSurrogate(char16_t c) { return c >= kHighFirst && c <= kLowLast; }

// An iconv conversion descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts all of `in` at once. Returns 0 when it went through whole, or
  // the errno that stopped it (EILSEQ, or EINVAL for a cut-off sequence).
  int ConvertWhole(std::string_view in, std::string* out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // the initial state
    char buffer[64];
    char* in_ptr = const_cast<char*>(in.data());
    size_t in_left = in.size();
    char* out_ptr = buffer;
    size_t out_left = sizeof buffer;
    size_t rc = iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left);
    if (rc == static_cast<size_t>(-1)) return errno;
    if (in_left != 0) return EINVAL;
    out->assign(buffer, out_ptr);
    return 0;
  }

 private:
  iconv_t cd_;
};

// The tables, learned from iconv one entry at a time. Entries are read
// without a lock (relaxed atomics: an entry, once learned, never changes);
// learning one takes the lock, since an iconv descriptor serves one caller
// at a time.
class Tables {
 public:
  static Tables& Get() {
    static Tables tables;
    return tables;
  }

  // What a byte from 0x80 on is on its own.
  static constexpr uint16_t kUnknown = 0;
  static constexpr uint16_t kLead = 0xFFFE;     // starts a two-byte character
  static constexpr uint16_t kInvalid = 0xFFFF;  // starts no character
  uint16_t Single(unsigned char byte) {
    uint16_t entry = single_[byte - kFirstNonAscii].load(std::memory_order_relaxed);
    return entry != kUnknown ? entry : LearnSingle(byte);
  }
  // The unit a lead byte and the byte after it decode to, or kInvalid.
  uint16_t Pair(unsigned char lead, unsigned char trail) {
    std::atomic<uint16_t>& slot = pairs_[(lead - kFirstNonAscii) * 256 + trail];
    uint16_t entry = slot.load(std::memory_order_relaxed);
    return entry != kUnknown ? entry : LearnPair(lead, trail);
  }

  // The code of a unit from U+0080 on that is no surrogate: one byte (below
  // 0x100) or two (lead byte high), or kInvalid when code page 936 lacks it.
  uint16_t Code(char16_t unit) {
    uint16_t entry = codes_[unit].load(std::memory_order_relaxed);
    return entry != kUnknown ? entry : LearnCode(unit);
  }

  // The exact way, for what the tables do not hold: a surrogate pair, a
  // lone surrogate. False when iconv cannot encode the unit(s).
  bool EncodeExactly(std::u16string_view units, std::string* bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    return encoder_.ConvertWhole(Utf16Bytes(units), bytes) == 0;
  }

 private:
  Tables() : decoder_("UTF-16LE", "CP936"), encoder_("CP936", "UTF-16LE") {}

  static std::string Utf16Bytes(std::u16string_view units) {
    std::string bytes;
    for (char16_t u : units) {
      bytes.push_back(static_cast<char>(u & 0xFF));
      bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
  }

  // The single unit `bytes` decode to, or kInvalid; `cut` tells whether
  // iconv found them to be the start of a longer character.
  uint16_t DecodeOne(std::string_view bytes, bool* cut) {
    std::string out;
    const int err = decoder_.ConvertWhole(bytes, &out);
    *cut = err == EINVAL;
    if (err != 0 || out.size() != 2) return kInvalid;
    const uint16_t unit = static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1])
                                                                   << 8;
    // Values the tables use as markers are never the result of a valid
    // character; should iconv ever give one, the character counts as invalid.
    return unit == kUnknown || unit == kLead || unit == kInvalid ? kInvalid : unit;
  }

  uint16_t LearnSingle(unsigned char byte) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool cut = false;
    uint16_t unit = DecodeOne(std::string(1, static_cast<char>(byte)), &cut);
    if (cut) unit = kLead;
    single_[byte - kFirstNonAscii].store(unit, std::memory_order_relaxed);
    return unit;
  }

  uint16_t LearnPair(unsigned char lead, unsigned char trail) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool cut = false;
    const char bytes[] = {static_cast<char>(lead), static_cast<char>(trail)};
    const uint16_t unit = DecodeOne(std::string_view(bytes, 2), &cut);
    pairs_[(lead - kFirstNonAscii) * 256 + trail].store(unit, std::memory_order_relaxed);
    return unit;
  }

  uint16_t LearnCode(char16_t unit) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string bytes;
    uint16_t code = kInvalid;
    if (encoder_.ConvertWhole(Utf16Bytes(std::u16string_view(&unit, 1)), &bytes) == 0) {
      if (bytes.size() == 1 && static_cast<unsigned char>(bytes[0]) >= kFirstNonAscii) {
        code = static_cast<unsigned char>(bytes[0]);
      } else if (bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) >= kFirstNonAscii) {
        code = static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) << 8 |
                                     static_cast<unsigned char>(bytes[1]));
      }
      // Anything else (an ASCII byte for a non-ASCII character, more bytes)
      // would break the tables' layout; code page 936 has no such character.
    }
    codes_[unit].store(code, std::memory_order_relaxed);
    return code;
  }

  std::mutex mutex_;
  Converter decoder_;
  Converter encoder_;
  std::array<std::atomic<uint16_t>, 128> single_{};
  std::array<std::atomic<uint16_t>, 128 * 256> pairs_{};
  std::array<std::atomic<uint16_t>, 65536> codes_{};
};

// Appends to a string through a small buffer, so the string is written
// once, without being cleared first.
template <typename Char, size_t kSize>
class BufferedWriter {
 public:
  explicit BufferedWriter(std::basic_string<Char>* out) : out_(out) {}
  ~BufferedWriter() { Flush(); }
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;

  void Put(Char c) {
    if (used_ == kSize) Flush();
    buffer_[used_++] = c;
  }
  void Put(std::basic_string_view<Char> s) {
    for (Char c : s) Put(c);
  }
  // Room for `count` more in the buffer, to fill directly.
  Char* Reserve(size_t count) {
    if (kSize - used_ < count) Flush();
    return buffer_ + used_;
  }
  void Commit(size_t count) { used_ += count; }
  void Flush() {
    out_->append(buffer_, used_);
    used_ = 0;
  }

 private:
  std::basic_string<Char>* out_;
  Char buffer_[kSize];
  size_t used_ = 0;
};

using Utf16Writer = BufferedWriter<char16_t, 4096>;
using ByteWriter = BufferedWriter<char, 8192>;

// Widens the ASCII bytes at the start of `bytes` (16 at a time) into the
// writer; returns how many it took. A block that holds a byte from 0x80 on
// still gives the ASCII bytes before it at once.
size_t WidenAscii(std::string_view bytes, Utf16Writer& writer) {
  size_t i = 0;
#if defined(__SSE2__)
  constexpr size_t kBlock = 16;
  const __m128i zero = _mm_setzero_si128();
  while (i + kBlock <= bytes.size()) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes.data() + i));
    char16_t* to = writer.Reserve(kBlock);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(block, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + kBlock / 2), _mm_unpackhi_epi8(block, zero));
    const int high = _mm_movemask_epi8(block);  // a bit for every byte from 0x80 on
    const size_t ascii = high == 0 ? kBlock : static_cast<size_t>(__builtin_ctz(high));
    writer.Commit(ascii);
    i += ascii;
    if (ascii < kBlock) return i;
  }
#endif
  for (; i < bytes.size() && static_cast<unsigned char>(bytes[i]) < kFirstNonAscii; ++i) {
    writer.Put(static_cast<unsigned char>(bytes[i]));
  }
  return i;
}

// Where the first invalid byte stands, and what it is.
struct FirstInvalid {
  size_t offset = kAllValid;
  unsigned char byte = 0;
};

void NoteInvalid(size_t at, unsigned char byte, FirstInvalid* first) {
  if (first->offset == kAllValid) *first = {at, byte};
}

// Narrows the ASCII units at the start of `text` (16 at a time) into the
// writer; returns how many it took. A block that holds a unit from U+0080 on
// still gives the ASCII units before it at once.
size_t NarrowAscii(std::u16string_view text, ByteWriter& writer) {
  size_t i = 0;
#if defined(__SSE2__)
  constexpr size_t kBlock = 16;
  const __m128i non_ascii = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  while (i + kBlock <= text.size()) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    const __m128i high =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i + kBlock / 2));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(writer.Reserve(kBlock)),
                     _mm_packus_epi16(low, high));
    // A bit for every unit from U+0080 on.
    const int wide =
        _mm_movemask_epi8(_mm_packs_epi16(_mm_cmpeq_epi16(_mm_and_si128(low, non_ascii), zero),
                                          _mm_cmpeq_epi16(_mm_and_si128(high, non_ascii), zero))) ^
        0xFFFF;
    const size_t ascii = wide == 0 ? kBlock : static_cast<size_t>(__builtin_ctz(wide));
    writer.Commit(ascii);
    i += ascii;
    if (ascii < kBlock) return i;
  }
#endif
  for (; i < text.size() && text[i] < kFirstNonAscii; ++i) writer.Put(static_cast<char>(text[i]));
  return i;
}

// The stand-in for `units` (one character) that code page 936 lacks. A lone
// surrogate stands for no character: as a reference, it is the replacement
// character, as a reader of UTF-8 makes it of a surrogate written there.
std::string StandIn(std::u16string_view units, Unencodable mode) {
  const bool pair = units.size() == 2;
  if (mode == Unencodable::kQuestionMark) return "?";
  const char32_t code_point =
      pair ? 0x10000 + ((char32_t{units[0]} - kHighFirst) << 10) + (units[1] - kLowFirst)
      : IsSurrogate(units[0]) ? kReplacement
                              : units[0];
  return "&#" + std::to_string(code_point) + ";";
}

// Decodes characters from the start of `bytes` into the writer and returns
// how many bytes it took: all of them when `at_end`, else all but a
// character the end may cut off. An invalid byte becomes U+FFFD; the first
// one's offset (counted from `offset`) goes to `*first_invalid`.
size_t DecodeCp936Some(std::string_view bytes, bool at_end, size_t offset, Utf16Writer& writer,
                       FirstInvalid* first_invalid) {
  Tables& tables = Tables::Get();
  size_t i = 0;
  while (i < bytes.size()) {
    i += WidenAscii(bytes.substr(i), writer);
    // The characters that start from 0x80 on, one after another, until the
    // next ASCII byte.
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) >= kFirstNonAscii) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      uint16_t unit = tables.Single(byte);
      size_t length = 1;
      if (unit == Tables::kLead) {
        if (i + 1 == bytes.size() && !at_end) return i;
        unit = i + 1 < bytes.size() ? tables.Pair(byte, static_cast<unsigned char>(bytes[i + 1]))
                                    : Tables::kInvalid;
        length = 2;
      }
      if (unit == Tables::kInvalid) {
        NoteInvalid(offset + i, byte, first_invalid);
        unit = kReplacement;
        length = 1;
      }
      writer.Put(unit);
      i += length;
    }
  }
  return i;
}

size_t DecodeUtf8Some(std::string_view bytes, bool at_end, size_t offset, Utf16Writer& writer,
                      FirstInvalid* first_invalid) {
  size_t i = 0;
  while (i < bytes.size()) {
    i += WidenAscii(bytes.substr(i), writer);
    if (i == bytes.size()) break;
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const int length = (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    char32_t cp = length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    bool valid = length > 0;
    int k = 1;
    for (; valid && k < length && i + k < bytes.size(); ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + k]);
      valid = (next >> 6) == 2;
      cp = (cp << 6) | (next & 0x3F);
    }
    if (valid && k < length) {
      if (!at_end) break;  // the rest may follow
      valid = false;
    }
    static constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    const bool surrogate = cp >= kHighFirst && cp <= kLowLast;
    if (!valid || cp < kShortest[length] || cp > 0x10FFFF || surrogate) {
      NoteInvalid(offset + i, lead, first_invalid);
      writer.Put(kReplacement);
      // A surrogate written as UTF-8 is one character: one replacement.
      i += valid && surrogate ? 3 : 1;
      continue;
    }
    if (cp >= 0x10000) {
      writer.Put(static_cast<char16_t>(kHighFirst + ((cp - 0x10000) >> 10)));
      writer.Put(static_cast<char16_t>(kLowFirst + ((cp - 0x10000) & 0x3FF)));
    } else {
      writer.Put(static_cast<char16_t>(cp));
    }
    i += length;
  }
  return i;
}

// The same for UTF-16 in either byte order. A surrogate that is not half of
// a pair is invalid; a pair cut off by the end of a piece waits for the
// rest. One byte left over at the very end, of which no unit can be made,
// is dropped: real pages saved by Word end with one.
size_t DecodeUtf16Some(std::string_view bytes, bool at_end, bool big_endian, size_t offset,
                       Utf16Writer& writer, FirstInvalid* first_invalid) {
  auto unit_at = [&](size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(big_endian ? first << 8 | second : second << 8 | first);
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const char16_t unit = unit_at(i);
    if (!IsSurrogate(unit)) {
      writer.Put(unit);
      continue;
    }
    if (IsHigh(unit) && i + 3 < bytes.size() && IsLow(unit_at(i + 2))) {
      writer.Put(unit);
      writer.Put(unit_at(i + 2));
      i += 2;
      continue;
    }
    if (IsHigh(unit) && i + 3 >= bytes.size() && !at_end) return i;  // the rest may follow
    NoteInvalid(offset + i, static_cast<unsigned char>(bytes[i]), first_invalid);
    writer.Put(kReplacement);
  }
  if (i < bytes.size() && at_end) ++i;
  return i;
}

}  // namespace

TextDecoder::TextDecoder(Encoding encoding, std::u16string* text)
    : encoding_(encoding), text_(text) {}

size_t TextDecoder::DecodeSome(std::string_view bytes, bool at_end) {
  Utf16Writer writer(text_);
  FirstInvalid first{first_invalid_, first_invalid_byte_};
  size_t used = 0;
  switch (encoding_) {
    case Encoding::kCp936:
      used = DecodeCp936Some(bytes, at_end, offset_, writer, &first);
      break;
    case Encoding::kUtf8:
      used = DecodeUtf8Some(bytes, at_end, offset_, writer, &first);
      break;
    case Encoding::kUtf16Le:
    case Encoding::kUtf16Be:
      used =
          DecodeUtf16Some(bytes, at_end, encoding_ == Encoding::kUtf16Be, offset_, writer, &first);
      break;
  }
  first_invalid_ = first.offset;
  first_invalid_byte_ = first.byte;
  return used;
}

void TextDecoder::Decode(std::string_view piece) {
  // A character the last piece cut off takes bytes from this one until it
  // is decoded (or found invalid, which leaves its other bytes to follow).
  while (!pending_.empty() && !piece.empty()) {
    pending_.push_back(piece.front());
    piece.remove_prefix(1);
    const size_t used = DecodeSome(pending_, false);
    offset_ += used;
    pending_.erase(0, used);
  }
  if (!pending_.empty()) return;
  const size_t used = DecodeSome(piece, false);
  offset_ += used;
  pending_.assign(piece.substr(used));
}

void TextDecoder::Finish() {
  offset_ += DecodeSome(pending_, true);
  pending_.clear();
}

void TextDecoder::Reserve(size_t bytes) {
  text_->reserve(text_->size() + bytes);  // never more units than bytes
  memory::PreferHugePages(text_->data() + text_->size(), bytes * sizeof(char16_t));
}

std::u16string DecodeCp936(std::string_view bytes, size_t* first_invalid) {
  std::u16string text;
  TextDecoder decoder(TextDecoder::Encoding::kCp936, &text);
  decoder.Reserve(bytes.size());
  decoder.Decode(bytes);
  decoder.Finish();
  if (first_invalid != nullptr) *first_invalid = decoder.first_invalid();
  return text;
}

std::u16string DecodeUtf8(std::string_view bytes, size_t* first_invalid) {
  std::u16string text;
  TextDecoder decoder(TextDecoder::Encoding::kUtf8, &text);
  decoder.Reserve(bytes.size());
  decoder.Decode(bytes);
  decoder.Finish();
  if (first_invalid != nullptr) *first_invalid = decoder.first_invalid();
  return text;
}

void AppendCp936(std::u16string_view text, Unencodable mode, std::string* out) {
  ByteWriter writer(out);
  Tables& tables = Tables::Get();
  for (size_t i = 0; i < text.size();) {
    i += NarrowAscii(text.substr(i), writer);
    // The units from U+0080 on, one after another, until the next ASCII one.
    while (i < text.size() && text[i] >= kFirstNonAscii) {
      const char16_t unit = text[i];
      if (!IsSurrogate(unit)) {
        const uint16_t code = tables.Code(unit);
        if (code == Tables::kInvalid) {
          writer.Put(StandIn(text.substr(i, 1), mode));
        } else if (code < 0x100) {
          writer.Put(static_cast<char>(code));
        } else {
          char* to = writer.Reserve(2);
          to[0] = static_cast<char>(code >> 8);
          to[1] = static_cast<char>(code & 0xFF);
          writer.Commit(2);
        }
        ++i;
        continue;
      }
      const size_t units = IsHigh(unit) && i + 1 < text.size() && IsLow(text[i + 1]) ? 2 : 1;
      const std::u16string_view character = text.substr(i, units);
      std::string bytes;
      writer.Put(tables.EncodeExactly(character, &bytes) ? bytes : StandIn(character, mode));
      i += units;
    }
  }
}

std::string EncodeCp936(std::u16string_view text, Unencodable mode) {
  std::string bytes;
  bytes.reserve(text.size());
  memory::PreferHugePages(bytes.data(), text.size());
  AppendCp936(text, mode, &bytes);
  return bytes;
}

}  // namespace quillmere::codepage
