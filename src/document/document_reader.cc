#include "document/document_reader.h"

#include <memory>

#include "document/document_format.h"
#include "document/docx/package.h"
#include "document/docx/reader.h"
#include "document/word97/reader.h"
#include "platform/translation.h"

namespace quillmere::document {

namespace {

// What a read works with besides the bytes: the options, and the file
// system the converter's working files go through.
struct Reading {
  const ReaderOptions& options;
  files::FileSystem& file_system;
};

Status ThroughConverter(std::string_view bytes, const FormatFound& format, const Reading& reading,
                        Document* out) {
  const ReaderOptions& options = reading.options;
  std::string program = FindConverter(options.converter);
  if (program.empty()) {
    return Status(ErrorNumber::kUnsupportedFormat,
                  Fill(Tr("it is %s. This program reads Word documents (.doc, .docx) itself and "
                          "other formats through LibreOffice, which is not installed; if the file "
                          "is a document, installing LibreOffice (the soffice program) lets it "
                          "open it, and so does saving it from its program as .doc or .docx."),
                       format.name));
  }
  std::string converted;
  QM_RETURN_IF_ERROR(ConvertToDocx(program, bytes, format.extension, options.converter,
                                   options.limits.max_file_bytes, reading.file_system, &converted));
  return docx::ReadDocument(converted, options.limits, out);
}

Status ReadCompoundFile(std::string_view bytes, const Reading& reading, Document* out) {
  if (IsEncryptedPackage(bytes)) {
    return Status(ErrorNumber::kPasswordProtected,
                  Tr("it is a password-protected Office Open XML (.docx) document: a compound "
                     "file holding an EncryptedPackage stream. Remove the password in the "
                     "program that made it, then try again."));
  }
  Status read = word97::ReadDocument(bytes, out);
  if (read.number() != ErrorNumber::kUnsupportedFormat) return read;
  std::string reason = read.description();
  if (!reason.empty() && reason.back() == '.') reason.pop_back();
  FormatFound format{
      Fill(Tr("a compound file but no Word 97-2003 document this program can read (%s)"), reason),
      "doc"};
  return ThroughConverter(bytes, format, reading, out);
}

Status ReadZip(std::string_view bytes, const Reading& reading, Document* out) {
  std::unique_ptr<docx::ZipArchive> package;
  QM_RETURN_IF_ERROR(docx::ZipArchive::Open(bytes, &package));
  if (package->Contains(docx::kMainDocumentPart)) {
    return docx::ReadPackage(*package, reading.options.limits, out);
  }
  // A package that declares its parts but lacks the document is a damaged
  // .docx: LibreOffice could only fail on it in its own words.
  if (package->Contains("[Content_Types].xml")) {
    return Status(ErrorNumber::kCorruptDocument,
                  Fill(Tr("it is a damaged Word 2007+ (.docx) document: its part %s is missing."),
                       docx::kMainDocumentPart));
  }
  FormatFound format{Fill(Tr("a ZIP archive without %s"), docx::kMainDocumentPart), "zip"};
  std::string mimetype;
  if (package->Contains("mimetype") && package->Read("mimetype", 256, &mimetype).ok() &&
      mimetype == "application/vnd.oasis.opendocument.text") {
    format = {Tr("an OpenDocument text (.odt)"), "odt"};
  }
  return ThroughConverter(bytes, format, reading, out);
}

Status ReadBytes(std::string_view bytes, const Reading& reading, Document* out) {
  switch (FileKind kind = SniffKind(bytes)) {
    case FileKind::kEmpty:
      return Status(ErrorNumber::kCorruptDocument, Tr("the file is empty."));
    case FileKind::kText:
      return Status(ErrorNumber::kUnsupportedFormat,
                    Tr("it is a plain-text file, not a Word document. Save the document from "
                       "Word (or any word processor) as .doc or .docx and put that in its "
                       "place."));
    case FileKind::kCompoundFile:
      return ReadCompoundFile(bytes, reading, out);
    case FileKind::kZip:
      return ReadZip(bytes, reading, out);
    default:
      return ThroughConverter(bytes, DescribeFormat(kind, bytes), reading, out);
  }
}

}  // namespace

Status ReadDocumentFile(const std::string& native_path, const ReaderOptions& options,
                        files::FileSystem& file_system, Document* out) {
  std::string bytes;
  QM_RETURN_IF_ERROR(file_system.ReadWholeFile(native_path, options.limits.max_file_bytes, &bytes));
  Status status = ReadBytes(bytes, {options, file_system}, out);
  if (status.ok()) return status;
  std::string description =
      Fill(Tr("Cannot open \"%1$s\": %2$s"), native_path, status.description());
  if (status.number() == ErrorNumber::kCorruptDocument) {
    description =
        Sentences(description, Tr("Open it in Word and save it again, or use an undamaged copy."));
  }
  return Status(status.number(), description);
}

}  // namespace quillmere::document
