// Which files are Word documents by their names, and the documents a list
// of files and folders names, as the collect command and the window's drop
// take them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere {

// Whether `name` ends in .doc, .docx, .rtf or .odt, in any case.
bool IsDocumentName(std::string_view name);

// The file name of `native_path`, without its folder: what messages, the
// preview page and dt_origin call a document.
std::string DocumentName(std::string_view native_path);

// `paths` (native) with every folder among them replaced by the Word
// documents directly in it (by IsDocumentName; not Word's "~$" owner files,
// nor folders so named), in the byte order of their names; any other path
// stays as it is, to be read as a document. Fails when a folder cannot be
// listed, and when no document is left (kFileNotFound).
Status ListDocuments(const std::vector<std::string>& paths, files::FileSystem& file_system,
                     std::vector<std::string>* documents);

}  // namespace quillmere
