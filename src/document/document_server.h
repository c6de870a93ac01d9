// The document server behind the document-hosting control: it opens a
// document of any format it understands, read-only, holds it as the active
// document, and saves it as a web page in Word's shape (or hands that page
// over in memory).
#pragma once

#include <memory>

#include "document/document_host.h"
#include "document/document_reader.h"
#include "document/model.h"
#include "platform/file_system.h"

namespace quillmere::document {

class DocumentServer : public DocumentHost {
 public:
  // The document Open reads and the page SaveAs writes go through
  // `file_system`.
  explicit DocumentServer(ReaderOptions options = ReaderOptions(),
                          files::FileSystem& file_system = files::Disk());
  ~DocumentServer() override;

  // Opens `document` (a path as the commands write it) with the server
  // "Word.Document". Any document already open is closed first. The file is
  // only ever read, so `read_only` changes nothing; a `password` cannot open
  // an encrypted document, which fails with kPasswordProtected either way.
  Status Open(std::u16string_view document, bool read_only, std::u16string_view prog_id,
              std::u16string_view user_name, std::u16string_view password) override;

  // Fails with kNoDocumentOpen when no document is open. The document stays
  // the server's; it lives until Close or the next Open.
  Status ActiveDocument(WordDocument** document) override;

  Status Close() override;

 private:
  class OpenDocument;
  // Lets go of the open document, if any.
  void CloseDocument();
  ReaderOptions options_;
  files::FileSystem& file_system_;
  std::unique_ptr<OpenDocument> open_;
};

}  // namespace quillmere::document
