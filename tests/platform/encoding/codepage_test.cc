#include "platform/encoding/codepage.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <random>

#include "platform/encoding/unicode.h"

namespace quillmere::codepage {
namespace {

// The plain way the tables must agree with: iconv over the whole input,
// U+FFFD (decoding) or the stand-in (encoding) for what stops it, then on
// with the next byte or character.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() { iconv_close(cd_); }
  // Converts from `*in` on until the end or a failure; returns the errno.
  int Run(std::string_view* in, std::string* out) {
    char buffer[256];
    while (!in->empty()) {
      char* from = const_cast<char*>(in->data());
      size_t left = in->size();
      char* to = buffer;
      size_t room = sizeof buffer;
      size_t rc = iconv(cd_, &from, &left, &to, &room);
      int err = errno;
      out->append(buffer, to);
      in->remove_prefix(in->size() - left);
      if (rc == static_cast<size_t>(-1) && err != E2BIG) return err;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

std::u16string ReferenceDecode(std::string_view bytes, size_t* first_invalid) {
  Iconv iconv("UTF-16LE", "CP936");
  std::string utf16;
  *first_invalid = kAllValid;
  for (std::string_view rest = bytes; !rest.empty();) {
    if (iconv.Run(&rest, &utf16) == 0) break;
    if (*first_invalid == kAllValid) *first_invalid = bytes.size() - rest.size();
    utf16 += "\xFD\xFF";
    rest.remove_prefix(1);
  }
  std::u16string text(utf16.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<unsigned char>(utf16[2 * i]) |
              static_cast<unsigned char>(utf16[2 * i + 1]) << 8;
  }
  return text;
}

std::string ReferenceEncode(std::u16string_view text, Unencodable mode) {
  Iconv iconv("CP936", "UTF-16LE");
  std::string utf16, bytes;
  for (char16_t unit : text)
    utf16 += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  for (std::string_view rest = utf16; !rest.empty();) {
    if (iconv.Run(&rest, &bytes) == 0) break;
    const size_t at = text.size() - rest.size() / 2;
    const bool pair = text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() &&
                      text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
    const bool lone = !pair && text[at] >= 0xD800 && text[at] <= 0xDFFF;
    const char32_t cp =
        pair ? 0x10000 + ((char32_t{text[at]} - 0xD800) << 10) + (text[at + 1] - 0xDC00) : text[at];
    bytes += mode == Unencodable::kQuestionMark ? "?"
             : lone                             ? "&#65533;"
                                                : "&#" + std::to_string(cp) + ";";
    rest.remove_prefix(std::min<size_t>(rest.size(), pair ? 4 : 2));
  }
  return bytes;
}

TEST(CodePageTest, AgreesWithIconvOnEveryByteAndPairAndEveryCharacter) {
  auto decodes_alike = [](std::string_view bytes) {
    size_t ours = 0, theirs = 0;
    const std::u16string text = DecodeCp936(bytes, &ours);
    return text == ReferenceDecode(bytes, &theirs) && ours == theirs;
  };
  for (int first = 0; first < 256; ++first) {
    const std::string one(1, static_cast<char>(first));
    ASSERT_TRUE(decodes_alike(one)) << first;
    ASSERT_TRUE(decodes_alike("a" + one + "b")) << first;
    for (int second = 0; first >= 0x80 && second < 256; ++second) {
      ASSERT_TRUE(decodes_alike(one + static_cast<char>(second) + "\xA1"))
          << first << " " << second;
    }
  }
  std::mt19937 rng(936);
  for (int trial = 0; trial < 2000; ++trial) {
    std::string bytes(rng() % 40, '\0');
    for (char& b : bytes) b = static_cast<char>(rng() % 3 == 0 ? rng() % 128 : 0x80 + rng() % 128);
    ASSERT_TRUE(decodes_alike(bytes));
  }
  for (Unencodable mode : {Unencodable::kQuestionMark, Unencodable::kCharacterReference}) {
    for (int unit = 0; unit < 0x10000; ++unit) {
      const std::u16string text = {u'x', static_cast<char16_t>(unit), u'y'};
      ASSERT_EQ(EncodeCp936(text, mode), ReferenceEncode(text, mode)) << unit;
    }
    const std::u16string pairs = u"\U0001F600\xD800\U00020000a\xDC00\xDBFF";
    EXPECT_EQ(EncodeCp936(pairs, mode), ReferenceEncode(pairs, mode));
  }
}

TEST(CodePageTest, TextDecodedInPiecesIsTheWholeDecodedWhereverItIsCut) {
  std::mt19937 rng(7);
  const std::string pieces[] = {"a",    "\xCA\xFD", "\xE6\x95\xB0", "\xF0\x9F\x98\x80",
                                "\xFF", "\x81",     "\xC3",         "\x80"};
  for (int trial = 0; trial < 3000; ++trial) {
    std::string bytes;
    for (int k = static_cast<int>(rng() % 12); k > 0; --k) bytes += pieces[rng() % 8];
    for (auto encoding : {TextDecoder::Encoding::kCp936, TextDecoder::Encoding::kUtf8}) {
      const bool cp936 = encoding == TextDecoder::Encoding::kCp936;
      size_t first_invalid = 0;
      const std::u16string whole =
          cp936 ? DecodeCp936(bytes, &first_invalid) : DecodeUtf8(bytes, &first_invalid);
      std::u16string text;
      TextDecoder decoder(encoding, &text);
      for (size_t at = 0; at < bytes.size();) {
        const size_t length = 1 + rng() % 4;
        decoder.Decode(std::string_view(bytes).substr(at, length));
        at += length;
      }
      decoder.Finish();
      ASSERT_EQ(text, whole);
      ASSERT_EQ(decoder.first_invalid(), first_invalid);
      if (first_invalid != kAllValid) {
        ASSERT_EQ(decoder.first_invalid_byte(), static_cast<unsigned char>(bytes[first_invalid]));
      }
    }
  }
}

TEST(CodePageTest, RoundTripsChineseAndAscii) {
  std::u16string text = u"数据库存在形式与CC.html显示的效果类似 <td>&nbsp;\r\n";
  std::string bytes = EncodeCp936(text, Unencodable::kQuestionMark);
  EXPECT_EQ(bytes.substr(0, 4), "\xCA\xFD\xBE\xDD");  // 数据
  EXPECT_EQ(DecodeCp936(bytes), text);
  EXPECT_EQ(EncodeCp936(u"\u20AC", Unencodable::kQuestionMark), "\x80");  // Windows' euro
}

TEST(CodePageTest, UnencodableCharactersBecomeQuestionMarksOrReferences) {
  std::u16string text =
      u"a\u0E01b\U0001F600c\xD800"
      u"d";  // Thai, an emoji, a lone surrogate
  EXPECT_EQ(EncodeCp936(text, Unencodable::kQuestionMark), "a?b?c?d");
  // A lone surrogate is one replacement character, as the UTF-8 the .docx
  // reader gets for "&#xD800;" decodes to one.
  EXPECT_EQ(EncodeCp936(text, Unencodable::kCharacterReference), "a&#3585;b&#128512;c&#65533;d");
  EXPECT_EQ(EncodeCp936(unicode::FromUtf8("c\xED\xA0\x80"
                                          "d"),
                        Unencodable::kCharacterReference),
            "c&#65533;d");
  EXPECT_EQ(EncodeCp936(u"\xDBFF", Unencodable::kQuestionMark), "?");  // cut-off pair at the end
}

TEST(CodePageTest, InvalidBytesDecodeToReplacementCharactersAndDecodingGoesOn) {
  EXPECT_EQ(DecodeCp936("a\xFF"
                        "b"),
            u"a\uFFFD"
            "b");
  EXPECT_EQ(DecodeCp936("x\xCA"), u"x\uFFFD");  // a lead byte cut off at the end
  EXPECT_EQ(DecodeCp936(""), u"");
  std::string big(1 << 20, 'z');
  EXPECT_EQ(DecodeCp936(big).size(), big.size());
  size_t first_invalid = 0;
  DecodeCp936("ok \xCA\xFD \xFF\xFF", &first_invalid);
  EXPECT_EQ(first_invalid, 6u);
  DecodeCp936("\xCA\xFD", &first_invalid);
  EXPECT_EQ(first_invalid, kAllValid);
}

TEST(CodePageTest, Utf8DecodesAsTheBaseHelperAndNamesTheFirstBadByte) {
  const std::string good = "a\xC3\xBC\xE6\x95\xB0\xF0\x9F\x98\x80";
  size_t first_invalid = 0;
  EXPECT_EQ(DecodeUtf8(good, &first_invalid), u"a\u00FC\u6570\U0001F600");
  EXPECT_EQ(first_invalid, kAllValid);
  // An overlong "/", a surrogate (one character, one replacement), a cut
  // sequence.
  const std::string bad = "x\xC0\xAF\xED\xA0\x80\xE6\x95";
  EXPECT_EQ(DecodeUtf8(bad, &first_invalid), u"x\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(first_invalid, 1u);
  EXPECT_EQ(DecodeUtf8(good + bad + good), unicode::FromUtf8(good + bad + good));
}

// UTF-16 in either byte order, cut into pieces anywhere (a pair's halves,
// a unit's bytes), decodes as it does whole.
TEST(CodePageTest, Utf16DecodesTheSameWhereverItIsCut) {
  const std::u16string text =
      u"a数\U0001F600b\xD800"
      u"c";  // the lone surrogate is invalid
  for (auto encoding : {TextDecoder::Encoding::kUtf16Le, TextDecoder::Encoding::kUtf16Be}) {
    std::string bytes;
    for (char16_t unit : text) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += encoding == TextDecoder::Encoding::kUtf16Be ? std::string{high, low}
                                                           : std::string{low, high};
    }
    std::u16string whole, pieces;
    TextDecoder at_once(encoding, &whole);
    at_once.Decode(bytes);
    at_once.Finish();
    EXPECT_EQ(whole,
              u"a数\U0001F600b\uFFFD"
              u"c");
    EXPECT_EQ(at_once.first_invalid(), 10u);
    TextDecoder byte_by_byte(encoding, &pieces);
    for (char byte : bytes) byte_by_byte.Decode(std::string_view(&byte, 1));
    byte_by_byte.Finish();
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(byte_by_byte.first_invalid(), 10u);
  }
}

}  // namespace
}  // namespace quillmere::codepage
