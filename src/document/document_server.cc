#include "document/document_server.h"

#include <algorithm>

#include "document/web_page/writer.h"
#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"
#include "platform/program_paths.h"
#include "platform/translation.h"

namespace quillmere::document {

namespace {

constexpr std::u16string_view kServerProgId = u"Word.Document";

}  // namespace

class DocumentServer::OpenDocument : public WordDocument {
 public:
  OpenDocument(Document document, files::FileSystem& file_system)
      : document_(std::move(document)), file_system_(file_system) {}

  // Writes the whole page to a temporary file renamed into place, so a
  // failure never leaves half a page under `file_name`.
  Status SaveAs(std::u16string_view file_name, int16_t file_format) override {
    if (file_format != kFormatHtml) {
      return Status(
          ErrorNumber::kUnsupportedFormat,
          Fill(Tr("Cannot save in file format %s: only format 8, a web page, is written."),
               file_format));
    }
    std::string page;
    QM_RETURN_IF_ERROR(WebPage(&page));
    return file_system_.ReplaceWholeFile(files::NativePath(file_name), page);
  }

  Status WebPage(std::string* page) override { return web_page::Write(document_, page); }

 private:
  Document document_;
  files::FileSystem& file_system_;
};

DocumentServer::DocumentServer(ReaderOptions options, files::FileSystem& file_system)
    : options_(std::move(options)), file_system_(file_system) {}

DocumentServer::~DocumentServer() = default;

Status DocumentServer::Open(std::u16string_view document, bool /*read_only*/,
                            std::u16string_view prog_id, std::u16string_view /*user_name*/,
                            std::u16string_view /*password*/) {
  open_.reset();
  if (!ascii::EqualsIgnoringCase(prog_id, kServerProgId)) {
    return Status(ErrorNumber::kUnsupportedFormat,
                  Fill(Tr("No document server is registered as \"%s\"; this one serves "
                          "\"Word.Document\"."),
                       unicode::ToUtf8(prog_id)));
  }
  Document read;
  QM_RETURN_IF_ERROR(ReadDocumentFile(files::NativePath(document), options_, file_system_, &read));
  open_ = std::make_unique<OpenDocument>(std::move(read), file_system_);
  return Status();
}

Status DocumentServer::ActiveDocument(WordDocument** document) {
  if (!open_) {
    *document = nullptr;
    return Status(ErrorNumber::kNoDocumentOpen, Tr("No document is open."));
  }
  *document = open_.get();
  return Status();
}

Status DocumentServer::Close() {
  open_.reset();
  return Status();
}

}  // namespace quillmere::document
