// Opens a document file of any kind the server understands, by content:
// compound files go to the Word 97-2003 reader, ZIP packages holding
// word/document.xml to the .docx reader, and everything else, together with
// compound files that are not Word 97-2003 documents, to LibreOffice when it
// is installed.
#pragma once

#include <string>

#include "document/model.h"
#include "document/read_limits.h"
#include "document/soffice/converter.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace quillmere::document {

struct ReaderOptions {
  ReadLimits limits;
  ConverterOptions converter = ConverterOptions::FromEnvironment();
};

// Fills `out` with the document in the file at `native_path`, read (and
// converted, when LibreOffice must) through `file_system`. Every failure
// names the file and says what was found: kFileNotFound and the other file
// errors, kPasswordProtected for an encrypted document, kUnsupportedFormat
// for a format that needs LibreOffice when it is not installed,
// kCorruptDocument, kDocumentTooLarge, and the converter's failures.
Status ReadDocumentFile(const std::string& native_path, const ReaderOptions& options,
                        files::FileSystem& file_system, Document* out);

}  // namespace quillmere::document
