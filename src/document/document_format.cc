#include "document/document_format.h"

#include <algorithm>
#include <cctype>

#include "document/word97/compound_file.h"
#include "platform/encoding/ascii.h"
#include "platform/translation.h"

namespace quillmere::document {

namespace {

constexpr std::string_view kCompoundMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

// The start of a text file, past a UTF-8 byte-order mark and white space,
// lowercased: enough to tell markup from other text.
std::string TextStart(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  size_t first = 0;
  while (first < bytes.size() && std::isspace(static_cast<unsigned char>(bytes[first]))) ++first;
  return ascii::Lower(bytes.substr(first, 1024));
}

bool Contains(std::string_view s, std::string_view part) {
  return s.find(part) != std::string_view::npos;
}

// Whether the first 4 KiB hold no control byte but tabs, line ends and form
// feeds: plain text in an 8-bit encoding (UTF-8, GBK ...), where any binary
// format shows NUL bytes or other control bytes at once.
bool LooksLikeText(std::string_view bytes) {
  return std::none_of(
      bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 4096), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f') || b == 0x7F;
      });
}

}  // namespace

FileKind SniffKind(std::string_view bytes) {
  if (bytes.empty()) return FileKind::kEmpty;
  if (bytes.starts_with(kCompoundMagic)) return FileKind::kCompoundFile;
  if (bytes.starts_with("PK\x03\x04") || bytes.starts_with("PK\x05\x06")) return FileKind::kZip;
  std::string start = TextStart(bytes);
  if (start.starts_with("{\\rtf")) return FileKind::kRichText;
  if (start.starts_with("<?xml"))
    return Contains(start, "<html") ? FileKind::kHtml : FileKind::kXml;
  if (start.starts_with("<!doctype html") || Contains(start, "<html")) return FileKind::kHtml;
  return LooksLikeText(bytes) ? FileKind::kText : FileKind::kOther;
}

FormatFound DescribeFormat(FileKind kind, std::string_view bytes) {
  switch (kind) {
    case FileKind::kRichText:
      return {Tr("a Rich Text Format (RTF) document"), "rtf"};
    case FileKind::kHtml:
      return {Tr("a web page (HTML)"), "html"};
    case FileKind::kXml: {
      std::string start = TextStart(bytes);
      if (Contains(start, "wordml") || Contains(start, "<w:worddocument")) {
        return {Tr("a Word 2003 XML document"), "xml"};
      }
      if (Contains(start, "opendocument")) return {Tr("an OpenDocument flat XML document"), "fodt"};
      return {Tr("an XML file"), "xml"};
    }
    default:
      return {Tr("a file in no format this program recognises"), "doc"};
  }
}

bool IsEncryptedPackage(std::string_view compound_file) {
  word97::CompoundFile file;
  return word97::CompoundFile::Open(compound_file, &file).ok() &&
         file.FindStream(u"EncryptedPackage").has_value();
}

}  // namespace quillmere::document
