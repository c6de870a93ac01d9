// The document-hosting control and the word processor behind it, as the
// start command drives them: open a document, get the active document, save
// it as a web page, close it.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/status.h"

namespace quillmere {

// The word processor's document object.
class WordDocument {
 public:
  // File format 8: a web page.
  static constexpr int16_t kFormatHtml = 8;

  virtual ~WordDocument() = default;
  // Writes the document to `file_name` (a path as the commands write it) in
  // `file_format`; on success the file is complete.
  virtual Status SaveAs(std::u16string_view file_name, int16_t file_format) = 0;
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
