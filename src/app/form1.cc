#include "app/form1.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include "platform/program_paths.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/web_browser.h"
#include "platform/translation.h"

namespace quillmere {

namespace {

// The window as it was designed, in twips; 15 twips make a pixel at 96 dots
// per inch.
constexpr int kTwipsPerPixel = 15;

struct Twips {
  int left, top, width, height;
};

constexpr int kClientWidth = 15150;
constexpr int kClientHeight = 8580;
constexpr Twips kCheck1{480, 120, 2175, 255};
constexpr Twips kCheck2{3120, 120, 2400, 240};  // over the buttons
constexpr Twips kCombo1{480, 480, 2295, 300};
constexpr Twips kCommand1{3120, 360, 1215, 375};
constexpr Twips kCommand2{4800, 360, 1335, 375};
constexpr Twips kCommand3{6360, 360, 1335, 375};
// In the hidden Command3's place, the gap between 关闭 and the status.
constexpr Twips kExportButton = kCommand3;
constexpr Twips kFramerControl1{240, 960, 14655, 3015};
constexpr Twips kWebBrowser1{240, 4080, 14655, 4215};
// The labels size themselves to their text; only their corner is fixed.
constexpr Twips kLabel2{7920, 480, 900, 180};
constexpr Twips kLabel1{8880, 480, 540, 180};

constexpr int kTableEntries = 8;

// Handling events after every row would cost more than the row; once a
// frame keeps the status label current and the window responsive.
constexpr qint64 kYieldIntervalMs = 15;

int Pixels(int twips) { return twips / kTwipsPerPixel; }

QRect Pixels(Twips t) {
  return QRect(Pixels(t.left), Pixels(t.top), Pixels(t.width), Pixels(t.height));
}

template <typename Control>
Control* Place(Control* control, const char* name, Twips where) {
  control->setObjectName(QLatin1String(name));
  control->setGeometry(Pixels(where));
  return control;
}

QLabel* AutoSizeLabel(QWidget* parent, const char* name, const QString& caption, Twips where) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QLatin1String(name));
  label->setTextFormat(Qt::PlainText);
  label->move(Pixels(where.left), Pixels(where.top));
  label->adjustSize();
  return label;
}

QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

// A local file's URL as a native path, byte for byte: its path with the
// percent escapes undone. (toLocalFile() decodes the path as UTF-8, so a
// name that is not UTF-8 would lose its bytes to U+FFFD, and QFile::encodeName
// cannot bring them back.) A host names a share, "//host/path", as
// toLocalFile() gives it.
std::string NativePathOf(const QUrl& url) {
  QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
  if (!url.host().isEmpty()) path.prepend("//" + url.host().toUtf8());
  return path.toStdString();
}

// The local files and folders among what is dragged, as native paths.
std::vector<std::string> DroppedPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(NativePathOf(url));
  }
  return paths;
}

// Qt's save dialog, in the window's language, for a workbook or a CSV
// file: a name typed without an extension gets the chosen kind's, and a file
// that exists is replaced only when the user says so.
QString AskWhereToSave(QWidget* parent, const QString& suggested) {
  QFileDialog dialog(parent, QStringLiteral("导出到 Excel 或 CSV 文件"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QString workbook = QStringLiteral("Excel 工作簿 (*.xlsx)");
  const QString csv = QStringLiteral("CSV 文件，逗号分隔 (*.csv)");
  dialog.setNameFilters({workbook, csv});
  const bool suggests_csv = suggested.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
  dialog.selectNameFilter(suggests_csv ? csv : workbook);
  dialog.setDefaultSuffix(suggests_csv ? QStringLiteral("csv") : QStringLiteral("xlsx"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& filter) {
    dialog.setDefaultSuffix(filter == csv ? QStringLiteral("csv") : QStringLiteral("xlsx"));
  });
  dialog.selectFile(suggested);
  dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("保存位置："));
  dialog.setLabelText(QFileDialog::FileName, QStringLiteral("文件名："));
  dialog.setLabelText(QFileDialog::FileType, QStringLiteral("保存类型："));
  dialog.setLabelText(QFileDialog::Accept, QStringLiteral("保存"));
  dialog.setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

QIcon WindowIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/quillmere.png").arg(size));
  }
  return icon;
}

}  // namespace

Form1::Form1(std::u16string app_folder, DocumentHost& document_server, Form1Commands commands,
             QWidget* parent)
    : QWidget(parent),
      app_folder_(std::move(app_folder)),
      document_server_(document_server),
      commands_(std::move(commands)),
      save_dialog_(AskWhereToSave) {
  setWindowTitle(QStringLiteral("Quillmere"));
  setWindowIcon(WindowIcon());
  // No layout: resizing or maximizing leaves every control where it was.
  resize(Pixels(kClientWidth), Pixels(kClientHeight));
  CreateControls();
  SetTabOrder();
  Command2_->setFocus();
  if (commands_.drop) {
    // Drags reach the widget under the pointer that takes drops, or its
    // parent: the browser pane takes them for its page, and would answer
    // for the window. The application's events pass here first, so a drop
    // anywhere on the window is the window's.
    setAcceptDrops(true);
    qApp->installEventFilter(this);
  }
}

void Form1::CreateControls() {
  Check1_ = Place(new QCheckBox(QStringLiteral("表格第一行是标题"), this), "Check1", kCheck1);
  Check1_->setChecked(true);
  Check2_ = Place(new QCheckBox(QStringLiteral("每份文档一条记录"), this), "Check2", kCheck2);

  Combo1_ = Place(new QComboBox(this), "Combo1", kCombo1);
  Combo1_->setEditable(true);
  // The typed text is never read: it neither adds an entry nor picks one,
  // so no completion, no insertion, and no match when editing finishes
  // (Qt would otherwise select an entry whose text was typed).
  Combo1_->setInsertPolicy(QComboBox::NoInsert);
  Combo1_->setCompleter(nullptr);
  disconnect(Combo1_->lineEdit(), &QLineEdit::editingFinished, Combo1_, nullptr);
  // Files dropped onto the box go to the window, not into its text.
  Combo1_->lineEdit()->setAcceptDrops(false);
  for (int n = 1; n <= kTableEntries; ++n) {
    Combo1_->addItem(QStringLiteral("Word文档第%1个表格").arg(n), n);
  }
  Combo1_->setCurrentIndex(-1);
  Combo1_->setEditText(Combo1_->itemText(0));

  Command1_ = Place(new QPushButton(QStringLiteral("开始转换"), this), "Command1", kCommand1);
  Command2_ = Place(new QPushButton(QStringLiteral("关闭"), this), "Command2", kCommand2);
  Command3_ = Place(new QPushButton(QStringLiteral("转换"), this), "Command3", kCommand3);
  Command3_->hide();  // the conversion runs as the start command's last step
  ExportButton_ =
      Place(new QPushButton(QStringLiteral("导出…"), this), "ExportButton", kExportButton);
  ExportButton_->setToolTip(QStringLiteral("把表格导出为 Excel 工作簿或 CSV 文件"));
  connect(Command1_, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(Command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(Command3_, &QPushButton::clicked, this, &Form1::Command3_Click);
  connect(ExportButton_, &QPushButton::clicked, this, &Form1::ExportButton_Click);

  Label2_ = AutoSizeLabel(this, "Label2", QStringLiteral("处理状态："), kLabel2);
  Label1_ = AutoSizeLabel(this, "Label1", QStringLiteral("Label1"), kLabel1);

  FramerControl1_ =
      Place(new FramerControl(document_server_, this), "FramerControl1", kFramerControl1);
  WebBrowser1_ = Place(new WebBrowser(this), "WebBrowser1", kWebBrowser1);
}

void Form1::SetTabOrder() {
  // In tab-index order. Qt orders only controls that take focus, so the
  // labels drop out here; the hidden Command3 stays in order and Tab skips
  // it, to the export button that stands in its place.
  QWidget* const by_tab_index[] = {Command2_,       Command3_, ExportButton_, Label1_,
                                   FramerControl1_, Command1_, Check1_,       Check2_,
                                   Label2_,         Combo1_,   WebBrowser1_};
  QWidget* previous = nullptr;
  for (QWidget* control : by_tab_index) {
    if (control->focusPolicy() == Qt::NoFocus) continue;
    if (previous) setTabOrder(previous, control);
    previous = control;
  }
}

void Form1::Command1_Click() { Run(commands_.start); }

// Closes the hosted document and nothing else.
void Form1::Command2_Click() {
  Run([](Form1& form) { return form.FramerControl1().Close(); });
}

void Form1::Command3_Click() { Run(commands_.conversion); }

// Asks where to save, suggesting the file last chosen (at first data.xlsx,
// for data.mdb, in the application folder), then exports there. A click
// during a run is ignored before anything is asked.
void Form1::ExportButton_Click() {
  if (running_ || !commands_.export_to) return;
  const QString suggested =
      !last_export_.isEmpty()
          ? last_export_
          : QFile::decodeName(QByteArray::fromStdString(files::NativePath(app_folder_))) +
                QStringLiteral("/data.xlsx");
  const QString chosen = save_dialog_(this, suggested);
  if (chosen.isEmpty()) return;
  last_export_ = chosen;
  const std::string file = QFile::encodeName(chosen).toStdString();
  Run([this, file](Form1& form) { return commands_.export_to(form, file); });
}

int Form1::Combo1ListIndex() const { return Combo1_->currentIndex(); }

void Form1::SetCombo1ListIndex(int index) { Combo1_->setCurrentIndex(index); }

int32_t Form1::Combo1ItemData(int index) const { return Combo1_->itemData(index).toInt(); }

int Form1::Check1Value() const {
  switch (Check1_->checkState()) {
    case Qt::Unchecked:
      return 0;
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return 2;
  }
  return 0;
}

bool Form1::OneRecordPerDocument() const { return Check2_->isChecked(); }

void Form1::Run(const std::function<Status(Form1&)>& command) {
  // A click that arrives while a command yields is ignored.
  if (running_ || !command) return;
  running_ = true;
  since_events_.start();
  // The busy cursor shows at once: reading a large document and saving it as
  // a page can take seconds before the first status text.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  Status status = command(*this);
  QApplication::restoreOverrideCursor();
  running_ = false;
  if (close_requested_) {
    // The window was closed during the run, which has now ended.
    close_requested_ = false;
    close();
    return;
  }
  if (!status.ok()) ShowFailure(status);
}

// The status no longer tells of an earlier run's success, and the box
// speaks the window's language, its button included.
void Form1::ShowFailure(const Status& status) {
  const QString number = QString::number(status.code());
  ShowStatus(QStringLiteral("错误 %1：未完成，dt_table 未作改动").arg(number).toStdU16String());
  QMessageBox box(
      QMessageBox::Critical, QStringLiteral("错误 %1").arg(number),
      QStringLiteral("错误 %1：%2").arg(number, QString::fromStdString(status.description())),
      QMessageBox::NoButton, this);
  box.setDefaultButton(box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole));
  box.exec();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run stops at its next yield, rolled back; Run() then closes.
    close_requested_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::DragLeave &&
      type != QEvent::Drop) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  return widget != nullptr && widget->window() == this && HandleDrag(event);
}

// Files are taken as a copy, which the drag's source must offer: a move
// would tell a file manager to delete the user's document. A drop that
// arrives while a command runs is refused, as a click is ignored; one that
// is taken runs once the source has its answer.
bool Form1::HandleDrag(QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::DragLeave) {
    dragged_.clear();
    return true;
  }
  auto* drag = static_cast<QDropEvent*>(event);  // DragEnter and DragMove are drops to come
  // The files are read as the drag enters: X's drag protocol fetches them
  // from the source each time, and some sources (Qt's among them) no longer
  // give them once dropped.
  if (type == QEvent::DragEnter) dragged_ = DroppedPaths(drag->mimeData());
  std::vector<std::string> paths = dragged_;
  if (type == QEvent::Drop) {
    if (std::vector<std::string> dropped = DroppedPaths(drag->mimeData()); !dropped.empty()) {
      paths = std::move(dropped);
    }
    dragged_.clear();
  }
  if (running_ || paths.empty() || !(drag->possibleActions() & Qt::CopyAction)) {
    drag->ignore();
    return true;
  }
  drag->setDropAction(Qt::CopyAction);
  drag->accept();
  if (type == QEvent::Drop) {
    QMetaObject::invokeMethod(
        this,
        [this, paths] { Run([this, paths](Form1& form) { return commands_.drop(form, paths); }); },
        Qt::QueuedConnection);
  }
  return true;
}

void Form1::AddToStatus(std::u16string_view note) {
  ShowStatus((Label1_->text() + ToQString(note)).toStdU16String());
}

void Form1::ShowStatus(std::u16string_view text) {
  Label1_->setText(ToQString(text));
  Label1_->adjustSize();  // one line, growing to the right
}

Status Form1::Yield() {
  if (!since_events_.isValid() || since_events_.elapsed() >= kYieldIntervalMs) {
    QCoreApplication::processEvents();
    since_events_.restart();
  }
  if (close_requested_) {
    return Status(ErrorNumber::kRunCancelled, Tr("The window was closed during the run."));
  }
  return Status();
}

}  // namespace quillmere
