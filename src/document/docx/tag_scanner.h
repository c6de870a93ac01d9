// Scans the tags of an XML part as it inflates, piece by piece, keeping only
// the markup that is not whole yet.
//
// The scanner checks what it can without parsing the content of elements:
// the part is in UTF-8 (a byte order mark is skipped), declares no document
// type (Word never writes one), closes and names every tag, ends every
// element it starts in order, and nests no deeper than allowed. It hands
// each start tag, end and stretch of content to a handler, which decides
// what to keep; what follows the root element is only checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace quillmere::document::docx {

// The refusal of the part `part` for what it `what`: "it is a damaged Word
// 2007+ (.docx) document: its part word/document.xml is not in UTF-8 ...".
Status DamagedPart(std::string_view part, std::string_view what);

// The same for XML that is not well-formed: `what` went wrong at byte `at`
// of the part.
Status NotWellFormed(std::string_view part, std::string_view what, uint64_t at);

// The attributes of the start tag `tag`, as name, value, name, value ...;
// values as they stand, references and all (Word's namespace declarations
// hold none).
std::vector<std::string> AttributesOf(std::string_view tag);

class TagScanner {
 public:
  // Receives the part in document order. A failure it returns stops the
  // scan, and every later Feed and Finish returns it.
  class Handler {
   public:
    virtual ~Handler() = default;
    // The start tag `tag` ("<w:p w:rsidR=\"00A1\">", or "<w:br/>" for an
    // element that is one tag) of the element `name` at `depth` (the root's
    // is 1), which begins at byte `at` of the part.
    virtual Status StartElement(std::string_view name, std::string_view tag, int depth,
                                uint64_t at) = 0;
    // The end of the element at `depth`: its end tag, or nothing for an
    // element that is one tag, which ends right after its start.
    virtual Status EndElement(std::string_view tag, int depth) = 0;
    // Text, a comment, a processing instruction or a CDATA section, as it
    // stands in the part; text may come in several pieces.
    virtual void Content(std::string_view markup) = 0;
  };

  // Names the part `part` in its failures; `handler` must outlive the
  // scanner.
  TagScanner(std::string_view part, int max_depth, Handler* handler);

  // The next piece of the part. Fails with kCorruptDocument for what the
  // scanner refuses, or with the handler's failure.
  Status Feed(std::string_view piece);
  // After the last piece: fails when the part ends before its root element
  // does.
  Status Finish();

 private:
  static constexpr size_t kNone = std::string::npos;

  void Fail(Status status);
  size_t Scan();
  bool CheckEncoding();
  size_t ReadMarkup(size_t open);
  size_t Passage(size_t open, size_t opening, std::string_view terminator);
  size_t TagEnd(size_t open);
  void Start(std::string_view name, std::string_view tag, uint64_t at);
  void End(std::string_view name, std::string_view tag, uint64_t at);

  const std::string part_;
  const int max_depth_;
  Handler* const handler_;
  Status status_;                   // the first failure; nothing is read after it
  std::string pending_;             // bytes not read yet: what follows the last whole markup
  uint64_t offset_ = 0;             // where pending_ begins in the part
  size_t scanned_ = 0;              // of the markup pending_ begins with, the bytes looked at
  char quote_ = 0;                  // in that tag, the quote of the attribute value it is in
  int depth_ = 0;                   // of the element being read, the root's being 1
  std::string open_name_bytes_;     // the names of the open elements, one after the other
  std::vector<size_t> open_names_;  // where each begins
  bool encoding_checked_ = false;
  bool root_ended_ = false;
};

}  // namespace quillmere::document::docx
