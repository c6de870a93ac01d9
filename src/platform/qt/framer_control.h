// FramerControl1: the pane that hosts the document while the start command
// works on it.
#pragma once

#include <QFrame>

#include "document/document_host.h"

class QLabel;

namespace quillmere {

// A framed pane in front of the document server. It offers the server's
// three operations (open 0x10004, active document 0x10002, close 0x10009)
// and shows, read-only, the path of the document it holds, from the moment
// it is asked to open it; with none it is empty.
class FramerControl : public QFrame, public DocumentHost {
  Q_OBJECT

 public:
  explicit FramerControl(DocumentHost& server, QWidget* parent = nullptr);

  Status Open(std::u16string_view document, bool read_only, std::u16string_view prog_id,
              std::u16string_view user_name, std::u16string_view password) override;
  Status ActiveDocument(WordDocument** document) override;
  // With no document open it succeeds and does nothing.
  Status Close() override;

  bool HoldsDocument() const { return holds_document_; }

 private:
  DocumentHost& server_;
  QLabel* shown_document_;
  bool holds_document_ = false;
};

}  // namespace quillmere
