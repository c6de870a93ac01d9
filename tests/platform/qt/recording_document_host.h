// A document server that writes down what the panes ask of it and answers
// as a test tells it to.
#pragma once

#include <string>
#include <vector>

#include "document/document_host.h"

namespace quillmere::testing {

class RecordingDocumentHost : public DocumentHost {
 public:
  struct OpenCall {
    std::u16string document;
    bool read_only;
    std::u16string prog_id, user_name, password;
  };

  std::vector<OpenCall> opens;
  int active_document_calls = 0;
  int close_calls = 0;
  Status open_result;
  Status close_result;
  WordDocument* document = nullptr;

  Status Open(std::u16string_view doc, bool read_only, std::u16string_view prog_id,
              std::u16string_view user_name, std::u16string_view password) override {
    opens.push_back({std::u16string(doc), read_only, std::u16string(prog_id),
                     std::u16string(user_name), std::u16string(password)});
    return open_result;
  }
  Status ActiveDocument(WordDocument** out) override {
    ++active_document_calls;
    if (!document) return Status(ErrorNumber::kNoDocumentOpen, "No document is open.");
    *out = document;
    return Status();
  }
  Status Close() override {
    ++close_calls;
    return close_result;
  }
};

}  // namespace quillmere::testing
