#include "platform/program_paths.h"

#include <filesystem>

#include "platform/encoding/unicode.h"

namespace quillmere::files {

namespace {

// A backslash that belongs to a name, not a separator, the private-use
// characters that carry a name's bytes that are no UTF-8 (U+F080 to U+F0FF
// for the bytes 0x80 to 0xFF), and the escape that keeps these apart from
// the same characters in a name (see program_paths.h).
constexpr char16_t kOwnBackslash = u'\uF05C';
constexpr char16_t kEscape = u'\uF05B';
constexpr char16_t kFirstByte = u'\uF080';
constexpr char16_t kLastByte = u'\uF0FF';

bool IsCarrier(char16_t c) {
  return c == kOwnBackslash || c == kEscape || (c >= kFirstByte && c <= kLastByte);
}

std::u16string InFolder(std::u16string_view folder, std::u16string_view literal) {
  std::u16string path(folder);
  return path.append(literal);
}

}  // namespace

std::u16string ProgramPath(std::string_view native_path) {
  std::u16string path;
  path.reserve(native_path.size());
  for (size_t i = 0; i < native_path.size();) {
    char32_t c = 0;
    const size_t length = unicode::Utf8CharacterLength(native_path.substr(i), &c);
    if (length == 0) {  // a byte that is no UTF-8, carried
      path.push_back(static_cast<char16_t>(0xF000 + static_cast<unsigned char>(native_path[i])));
      ++i;
      continue;
    }
    i += length;
    if (c >= 0x10000) {
      path.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      path.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      continue;
    }
    const auto unit = static_cast<char16_t>(c);
    if (IsCarrier(unit)) path.push_back(kEscape);
    path.push_back(unit == u'\\' ? kOwnBackslash : unit);
  }
  return path;
}

std::string NativePath(std::u16string_view program_path) {
  std::string native;
  native.reserve(program_path.size());
  std::u16string run;  // characters waiting to be written as UTF-8
  auto put_byte = [&](char byte) {
    unicode::AppendUtf8(run, &native);
    run.clear();
    native.push_back(byte);
  };
  bool after_separator = false;
  for (size_t i = 0; i < program_path.size(); ++i) {
    char16_t c = program_path[i];
    if (c == kEscape && i + 1 < program_path.size()) {
      c = program_path[++i];  // a name's own private-use character
    } else if (c >= kFirstByte && c <= kLastByte) {
      put_byte(static_cast<char>(c - 0xF000));
      after_separator = false;
      continue;
    } else if (c == kOwnBackslash) {
      c = u'\\';
    } else if (c == u'\\') {
      c = u'/';
    }
    // A separator after a separator adds nothing.
    if (c == u'/' && after_separator) continue;
    after_separator = c == u'/';
    run.push_back(c);
  }
  unicode::AppendUtf8(run, &native);
  return native;
}

std::u16string ApplicationFolder() {
  std::error_code ec;
  std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ProgramPath(ec ? std::filesystem::current_path().string() : exe.parent_path().string());
}

std::u16string DocumentFileName(std::u16string_view folder) {
  return InFolder(folder, u"\\\\test.doc");
}

std::u16string WebPageFileName(std::u16string_view folder) {
  return InFolder(folder, u"\\\\test.html");
}

std::u16string TableFileName(std::u16string_view folder) {
  return InFolder(folder, u"\\\\tabletest.html");
}

std::u16string PreviewFileName(std::u16string_view folder) {
  return InFolder(folder, u"\\\\cc.html");
}

std::u16string PreviewTarget(std::u16string_view folder) { return InFolder(folder, u"\\cc.html"); }

std::u16string DatabaseFileName(std::u16string_view folder) {
  // As opendatabase joins them: one backslash, unless the folder ends in one.
  if (!folder.empty() && folder.back() == u'\\') return InFolder(folder, kDatabaseName);
  return InFolder(folder, u"\\").append(kDatabaseName);
}

std::u16string DataSourceFileName(std::u16string_view folder) {
  return InFolder(folder, u"\\data.dsn");
}

}  // namespace quillmere::files
