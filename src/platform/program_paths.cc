#include "platform/program_paths.h"

#include <filesystem>

#include "platform/encoding/unicode.h"

namespace quillmere::files {

namespace {

// A backslash that belongs to a name, not a separator, and the escape that
// keeps these two private-use characters apart from the same characters in a
// name (see program_paths.h).
constexpr char16_t kOwnBackslash = u'\uF05C';
constexpr char16_t kEscape = u'\uF05B';

std::u16string InFolder(std::u16string_view folder, std::u16string_view literal) {
  std::u16string path(folder);
  return path.append(literal);
}

}  // namespace

std::u16string ProgramPath(std::string_view native_path) {
  const std::u16string native = unicode::FromUtf8(native_path);
  std::u16string path;
  path.reserve(native.size());
  for (char16_t c : native) {
    if (c == kOwnBackslash || c == kEscape) path.push_back(kEscape);
    path.push_back(c == u'\\' ? kOwnBackslash : c);
  }
  return path;
}

std::string NativePath(std::u16string_view program_path) {
  std::u16string path;
  path.reserve(program_path.size());
  for (size_t i = 0; i < program_path.size(); ++i) {
    char16_t c = program_path[i];
    if (c == kEscape && i + 1 < program_path.size()) {
      c = program_path[++i];  // a name's own private-use character
    } else if (c == kOwnBackslash) {
      c = u'\\';
    } else if (c == u'\\') {
      c = u'/';
    }
    // A separator after a separator adds nothing.
    if (c == u'/' && !path.empty() && path.back() == u'/') continue;
    path.push_back(c);
  }
  return unicode::ToUtf8(path);
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
