// Which files are Word documents by their names, the documents a list of
// files and folders names, as the collect command and the window's drop
// take them, and the name each such document goes by.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// Whether `name` ends in .doc, .docx, .rtf or .odt, in any case.
bool IsDocumentName(std::string_view name);

// The name of a document that ListDocuments listed, given its path exactly
// as listed: what messages, status texts, the preview page and dt_origin
// call it, for every command that reads documents so listed. It is that
// path (an argument as given; a folder's document as the folder as given,
// then its file name), lexically normal (no "." parts, no doubled "/"), so
// that documents of the same file name in different folders are told
// apart; bytes that are not UTF-8 and control characters are escaped
// ("\xFE", "\n"), and of a name longer than kMaxDocumentNameLength
// characters only its end is kept, after "…".
std::string DocumentName(std::string_view listed_path);

// `paths` (native) with every folder among them replaced by the Word
// documents directly in it (by IsDocumentName; not Word's "~$" owner files,
// nor folders so named), in the byte order of their names; any other path
// stays as it is, to be read as a document. A file named more than once
// (twice, as itself and in its folder, through a link) is listed once,
// where it was first named; `repeats`, when given, receives a sentence for
// every other time. Fails when a folder cannot be listed, and when no
// document is left (kFileNotFound).
Status ListDocuments(const std::vector<std::string>& paths, files::FileSystem& file_system,
                     std::vector<std::string>* documents,
                     std::vector<std::string>* repeats = nullptr);

}  // namespace quillmere
