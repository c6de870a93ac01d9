// What kind of file a document is, judged by its content and never by its
// name: a file called test.doc is often no Word 97-2003 document at all.
#pragma once

#include <string>
#include <string_view>

namespace quillmere::document {

enum class FileKind {
  kEmpty,
  kCompoundFile,  // D0 CF 11 E0 A1 B1 1A E1: Word 97-2003, Word 6/95, WPS, encrypted .docx
  kZip,           // PK: .docx, .odt and other packages
  kRichText,      // {\rtf
  kHtml,
  kXml,
  kText,  // text in no format of its own: control bytes only as line ends and tabs
  kOther,
};

FileKind SniffKind(std::string_view bytes);

// The kind as the user knows it, for messages, and the file extension a
// converter expects for it.
struct FormatFound {
  std::string name;       // "a Rich Text Format (RTF) document"
  std::string extension;  // "rtf"
};

// The format of a file of `kind` other than a compound file or a ZIP
// archive, which need a look inside.
FormatFound DescribeFormat(FileKind kind, std::string_view bytes);

// Whether a compound file is an encrypted Office Open XML package: Office
// stores a password-protected .docx as a compound file holding an
// "EncryptedPackage" stream. A compound file too damaged to open is not.
bool IsEncryptedPackage(std::string_view compound_file);

}  // namespace quillmere::document
