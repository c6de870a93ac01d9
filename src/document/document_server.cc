#include "document/document_server.h"

#include <algorithm>

#include "document/web_page/writer.h"
#include "platform/encoding/ascii.h"
#include "platform/encoding/unicode.h"
#include "platform/memory.h"
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

  // Writes the page to a temporary file renamed into place, so a failure
  // never leaves half a page under `file_name`. The page goes to the file a
  // piece at a time as it is written: it never stands in memory whole beside
  // the document.
  Status SaveAs(std::u16string_view file_name, int16_t file_format) override {
    if (file_format != kFormatHtml) {
      return Status(
          ErrorNumber::kUnsupportedFormat,
          Fill(Tr("Cannot save in file format %s: only format 8, a web page, is written."),
               file_format));
    }
    page_bytes_ = 0;
    auto write_page = [&](const files::FileSystem::PieceWriter& write) {
      return web_page::Write(document_, [&](std::string_view piece) {
        page_bytes_ += piece.size();
        return write(piece);
      });
    };
    return file_system_.ReplaceWholeFileInPieces(files::NativePath(file_name), write_page);
  }

  Status WebPage(std::string* page) override { return web_page::Write(document_, page); }

  Status Model(const Document** model) override {
    *model = &document_;
    return Status();
  }

  // The size of the page last saved: a measure of how much the model holds.
  uint64_t page_bytes() const { return page_bytes_; }

 private:
  Document document_;
  files::FileSystem& file_system_;
  uint64_t page_bytes_ = 0;
};

DocumentServer::DocumentServer(ReaderOptions options, files::FileSystem& file_system)
    : options_(std::move(options)), file_system_(file_system) {}

DocumentServer::~DocumentServer() = default;

Status DocumentServer::Open(std::u16string_view document, bool /*read_only*/,
                            std::u16string_view prog_id, std::u16string_view /*user_name*/,
                            std::u16string_view /*password*/) {
  CloseDocument();
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
  CloseDocument();
  return Status();
}

void DocumentServer::CloseDocument() {
  if (!open_) return;
  constexpr uint64_t kLargePage = uint64_t{16} << 20;
  const bool large = open_->page_bytes() >= kLargePage;
  open_.reset();
  // A large document's model is many small blocks; handed back to the
  // system, they do not stay in the process beside what its page needs
  // next. (Handing them back takes a while, so a small one's are kept.)
  if (large) memory::ReturnFreedMemory();
}

}  // namespace quillmere::document
