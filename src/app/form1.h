// Form1: the program's one window.
//
// It lays out the controls, keeps the state the commands share, and runs a
// command per button. The commands themselves live elsewhere and reach the
// window through the accessors below; the window alone turns a failed
// command into a message box.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "capture/start_command.h"
#include "convert/table_sink.h"
#include "document/document_host.h"
#include "output/form_state.h"
#include "platform/status.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace quillmere {

class FramerControl;
class WebBrowser;
class Form1;

// What the buttons run. An empty command is one this build lacks.
struct Form1Commands {
  // Command1: the start command, from test.doc to dt_table.
  std::function<Status(Form1&)> start;
  // Command3: the conversion command on strTable.
  std::function<Status(Form1&)> conversion;
  // Files and folders dropped onto the window (native paths): their
  // documents run, collected or read as forms.
  std::function<Status(Form1&, const std::vector<std::string>&)> drop;
  // The export button: the table the export takes by default written to
  // the file the save dialog chose (a native path; the export refuses one
  // that ends in neither .xlsx nor .csv), replacing one there (the dialog
  // asked).
  std::function<Status(Form1&, const std::string&)> export_to;
};

// Asks where to save an export, suggesting `suggested` (a path); an empty
// answer when the user cancels.
using SaveDialog = std::function<QString(QWidget* parent, const QString& suggested)>;

// The window offers the start command the controls it reads (StartControls),
// and is the conversion's Progress: Label1 shows the status texts, and a
// yield lets the window handle its pending events. Local files dropped
// anywhere on it, its panes included, go to the drop command, unless a
// command is running; they are always taken as a copy, never moved.
class Form1 : public QWidget, public StartControls, private Progress {
  Q_OBJECT

 public:
  Form1(std::u16string app_folder, DocumentHost& document_server, Form1Commands commands,
        QWidget* parent = nullptr);

  // What the commands work with.
  FormState& state() { return state_; }
  const std::u16string& app_folder() const { return app_folder_; }
  FramerControl& FramerControl1() { return *FramerControl1_; }
  WebBrowser& WebBrowser1() { return *WebBrowser1_; }
  Progress& Label1Progress() { return *this; }

  // StartControls: Combo1's selected entry (-1 for none) and an entry's
  // table number; Check1's value, 0 not ticked, 1 ticked, 2 grayed.
  int Combo1ListIndex() const override;
  void SetCombo1ListIndex(int index) override;
  int32_t Combo1ItemData(int index) const override;
  int Check1Value() const override;

  // Check2 (每份文档一条记录): dropped documents are read as filled-in forms,
  // one record each, rather than run or collected.
  bool OneRecordPerDocument() const;

  // Adds `note` to the status label's line, after the text a command left.
  void AddToStatus(std::u16string_view note);

  // True while a command runs (and yields to the event loop).
  bool Running() const { return running_; }

  // The export button's save dialog (by default Qt's, for an Excel workbook
  // or a CSV file).
  void SetSaveDialog(SaveDialog dialog) { save_dialog_ = std::move(dialog); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void SetTabOrder();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void ExportButton_Click();
  void Run(const std::function<Status(Form1&)>& command);
  void ShowFailure(const Status& status);
  // A drag or drop over any part of the window; true when it was one.
  bool HandleDrag(QEvent* event);

  // Progress
  void ShowStatus(std::u16string_view text) override;
  Status Yield() override;

  std::u16string app_folder_;
  DocumentHost& document_server_;
  Form1Commands commands_;
  FormState state_;

  QCheckBox* Check1_ = nullptr;
  QCheckBox* Check2_ = nullptr;
  QComboBox* Combo1_ = nullptr;
  QPushButton* Command1_ = nullptr;
  QPushButton* Command2_ = nullptr;
  QPushButton* Command3_ = nullptr;
  QPushButton* ExportButton_ = nullptr;
  QLabel* Label2_ = nullptr;
  QLabel* Label1_ = nullptr;
  FramerControl* FramerControl1_ = nullptr;
  WebBrowser* WebBrowser1_ = nullptr;

  SaveDialog save_dialog_;
  QString last_export_;  // the file last chosen to export to, suggested again

  bool running_ = false;
  std::vector<std::string> dragged_;  // the files of the drag over the window
  bool close_requested_ = false;
  QElapsedTimer since_events_;
};

}  // namespace quillmere
