#include "platform/qt/framer_control.h"

#include <QLabel>
#include <QVBoxLayout>

#include "platform/program_paths.h"

namespace quillmere {

FramerControl::FramerControl(DocumentHost& server, QWidget* parent)
    : QFrame(parent), server_(server), shown_document_(new QLabel(this)) {
  setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  setFocusPolicy(Qt::StrongFocus);
  shown_document_->setAlignment(Qt::AlignCenter);
  shown_document_->setTextFormat(Qt::PlainText);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(shown_document_);
}

Status FramerControl::Open(std::u16string_view document, bool read_only,
                           std::u16string_view prog_id, std::u16string_view user_name,
                           std::u16string_view password) {
  // The name shows, painted at once, while the server reads the document:
  // a large one takes seconds, with no event handled meanwhile.
  shown_document_->setText(QString::fromStdString(files::NativePath(document)));
  shown_document_->repaint();
  Status opened = server_.Open(document, read_only, prog_id, user_name, password);
  holds_document_ = opened.ok();
  if (!opened.ok()) shown_document_->clear();
  return opened;
}

Status FramerControl::ActiveDocument(WordDocument** document) {
  return server_.ActiveDocument(document);
}

Status FramerControl::Close() {
  QM_RETURN_IF_ERROR(server_.Close());
  holds_document_ = false;
  shown_document_->clear();
  return Status();
}

}  // namespace quillmere
