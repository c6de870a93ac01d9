// The document-hosting control and the word processor behind it, as the
// start command drives them: open a document, get the active document, save
// it as a web page, close it; and for reading filled-in forms, the
// document's model.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "platform/translation.h"

namespace quillmere {

namespace document {
struct Document;
}

// The word processor's document object.
class WordDocument {
 public:
  // File format 8: a web page.
  static constexpr int16_t kFormatHtml = 8;

  virtual ~WordDocument() = default;
  // Writes the document to `file_name` (a path as the commands write it) in
  // `file_format`; on success the file is complete.
  virtual Status SaveAs(std::u16string_view file_name, int16_t file_format) = 0;

  // The page SaveAs writes in format 8 (its bytes, in code page 936), handed
  // over in memory: no file is written. A server that only saves to files
  // fails here.
  virtual Status WebPage(std::string* /*page*/) {
    return Status(ErrorNumber::kUnsupportedFormat,
                  Tr("This document server writes its web page only to a file."));
  }

  // The document as its reader read it (document/model.h), the model its
  // page is written from: what a form's cells are read from. It stays the
  // server's, valid until the document is closed. A server that keeps no
  // model fails here.
  virtual Status Model(const document::Document** model) {
    *model = nullptr;
    return Status(ErrorNumber::kUnsupportedFormat,
                  Tr("This document server hands over no model of its documents."));
  }
};

// The hosting control's automation interface. Each operation's comment starts
// with the dispatch id by which the program calls it.
class DocumentHost {
 public:
  virtual ~DocumentHost() = default;

  // 0x10004: opens `document` with the server named by `prog_id`
  // ("Word.Document").
  virtual Status Open(std::u16string_view document, bool read_only, std::u16string_view prog_id,
                      std::u16string_view user_name, std::u16string_view password) = 0;

  // 0x10002: the open document; fails when none is open.
  virtual Status ActiveDocument(WordDocument** document) = 0;

  // 0x10009: closes the open document; with none open it succeeds and does
  // nothing.
  virtual Status Close() = 0;
};

}  // namespace quillmere
