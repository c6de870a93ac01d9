// A document host that "saves" a given web page, the real document server
// counting what it opens, and fixed window controls, so the commands can be
// driven without a window.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "capture/start_command.h"
#include "document/document_server.h"
#include "platform/encoding/codepage.h"
#include "platform/encoding/unicode.h"
#include "platform/file_system.h"
#include "platform/program_paths.h"

namespace quillmere::testing {

class FakeHost : public DocumentHost, public WordDocument {
 public:
  // The page SaveAs writes (in code page 936), and what fails on purpose.
  std::u16string page;
  bool fail_open = false;
  bool fail_save = false;
  // Every call, in order.
  std::vector<std::string> calls;
  bool open = false;

  Status Open(std::u16string_view document, bool read_only, std::u16string_view prog_id,
              std::u16string_view user_name, std::u16string_view password) override {
    calls.push_back("open " + unicode::ToUtf8(document) + " " + (read_only ? "read-only " : "") +
                    unicode::ToUtf8(prog_id) + " [" + unicode::ToUtf8(user_name) + "] [" +
                    unicode::ToUtf8(password) + "]");
    if (fail_open || !files::Disk().Exists(files::NativePath(document))) {
      return Status(ErrorNumber::kFileNotFound, "cannot open " + unicode::ToUtf8(document));
    }
    open = true;
    return Status();
  }
  Status ActiveDocument(WordDocument** document) override {
    calls.push_back("active document");
    if (!open) return Status(ErrorNumber::kNoDocumentOpen, "no document open");
    *document = this;
    return Status();
  }
  Status Close() override {
    calls.push_back("close");
    open = false;
    return Status();
  }
  Status SaveAs(std::u16string_view file_name, int16_t file_format) override {
    calls.push_back("save as " + unicode::ToUtf8(file_name) + " " + std::to_string(file_format));
    if (fail_save) return Status(ErrorNumber::kDiskFull, "disk full");
    return files::Disk().ReplaceWholeFile(
        files::NativePath(file_name),
        codepage::EncodeCp936(page, codepage::Unencodable::kCharacterReference));
  }
};

// The real document server, counting the openings of each document (by its
// native path); its n-th opening fails, as for a document changed on disk
// between a command's two passes.
class CountingHost : public DocumentHost {
 public:
  std::map<std::string, int> opened;
  int fail_open = 0;  // 0: none fails

  Status Open(std::u16string_view document, bool read_only, std::u16string_view prog_id,
              std::u16string_view user_name, std::u16string_view password) override {
    ++opened[files::NativePath(document)];
    if (++openings_ == fail_open) return Status(ErrorNumber::kCorruptDocument, "changed meanwhile");
    return server_.Open(document, read_only, prog_id, user_name, password);
  }
  Status ActiveDocument(WordDocument** document) override {
    return server_.ActiveDocument(document);
  }
  Status Close() override { return server_.Close(); }

 private:
  document::DocumentServer server_;
  int openings_ = 0;
};

class FixedControls : public StartControls {
 public:
  int list_index = -1;
  int check = 1;
  int Combo1ListIndex() const override { return list_index; }
  void SetCombo1ListIndex(int index) override { list_index = index; }
  int32_t Combo1ItemData(int index) const override { return index + 1; }
  int Check1Value() const override { return check; }
};

}  // namespace quillmere::testing
