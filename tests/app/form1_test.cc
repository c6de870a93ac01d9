// Form1 on the offscreen platform: its controls as designed, what its
// buttons run, and how it behaves while a command runs.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/form1.h"
#include "output/conversion_run.h"
#include "output/dt_table.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/recording_document_host.h"
#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"

namespace quillmere {
namespace {

const char* const kControls[] = {"Check1",   "Check2",         "Combo1",       "Command1",
                                 "Command2", "Command3",       "ExportButton", "Label2",
                                 "Label1",   "FramerControl1", "WebBrowser1"};

// The title and text of the message boxes the window showed, each closed
// as soon as it appeared.
class MessageBoxCloser : public QObject {
 public:
  QStringList titles, texts, buttons;

  MessageBoxCloser() {
    connect(&timer_, &QTimer::timeout, this, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      titles << box->windowTitle();
      texts << box->text();
      for (QAbstractButton* button : box->buttons()) buttons << button->text();
      box->accept();
    });
    timer_.start(5);
  }

 private:
  QTimer timer_;
};

// A command that yields to the window until `done` says so (or a second has
// passed), sleeping between yields so each one handles events.
Status YieldUntil(Form1& form, const std::function<bool()>& done) {
  QElapsedTimer waited;
  waited.start();
  while (!done() && waited.elapsed() < 1000) {
    QThread::msleep(20);
    QM_RETURN_IF_ERROR(form.Label1Progress().Yield());
  }
  return Status();
}

// data.mdb with an empty dt_table in `folder`, open on `cn`.
bool OpenDatabase(const std::u16string& folder, FormState& state) {
  return CreateDataMdb(folder, 3).ok() && OpenDataMdb(state, folder).ok();
}

int RowsIn(adodb::Connection& cn) {
  std::unique_ptr<adodb::Recordset> rs;
  if (!cn.Execute(u"select count(*) from dt_table", -1, &rs).ok()) return -1;
  return QString::fromStdU16String(rs->Value(0, 0).value_or(u"")).toInt();
}

}  // namespace

class Form1Test : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareWebEngine(); }

 private slots:
  void init();
  void cleanup();

  void windowCaptionSizeAndIcon();
  void controlsAtTheirDesignGeometry_data();
  void controlsAtTheirDesignGeometry();
  void labelsSizedToTheirCaptions();
  void noControlOverlapsAnother();
  void captions();
  void initialStates();
  void combo1EntriesAndItemData();
  void combo1TypedTextSelectsNothing();
  void check1ValueIsZeroOneOrTwo();
  void focusStartsOnCommand2AndFollowsTabIndex();
  void longStatusWidensLabel1OnOneLine();
  void geometryKeptOnResizeAndMaximize();

  void command2WithNoDocumentChangesNothing();
  void failuresShownAndTheProgramGoesOn();
  void clicksIgnoredDuringARun();
  void closeDuringARunEndsItRolledBackThenCloses();
  void dropsAnywhereAreTakenAsCopies();
  void exportAsksWhereToSaveThenExportsThere();

 private:
  Form1& MakeForm(Form1Commands commands = {});
  template <typename T>
  T* Control(const char* name) {
    T* control = form_->findChild<T*>(QLatin1String(name));
    if (!control) qFatal("no control %s", name);
    return control;
  }

  std::unique_ptr<QTemporaryDir> dir_;  // the application folder, new for each test
  testing::RecordingDocumentHost host_;
  std::unique_ptr<Form1> form_;
};

void Form1Test::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  host_ = testing::RecordingDocumentHost();
}

void Form1Test::cleanup() {
  form_.reset();
  dir_.reset();
}

Form1& Form1Test::MakeForm(Form1Commands commands) {
  form_ = std::make_unique<Form1>(dir_->path().toStdU16String(), host_, std::move(commands));
  return *form_;
}

void Form1Test::windowCaptionSizeAndIcon() {
  Form1& form = MakeForm();
  QCOMPARE(form.windowTitle(), QStringLiteral("Quillmere"));
  QCOMPARE(form.size(), QSize(1010, 572));
  const QList<QSize> sizes = form.windowIcon().availableSizes();
  for (int size : {16, 24, 32, 48, 256}) QVERIFY(sizes.contains(QSize(size, size)));
  QCOMPARE(form.app_folder(), dir_->path().toStdU16String());
}

void Form1Test::controlsAtTheirDesignGeometry_data() {
  QTest::addColumn<QRect>("geometry");
  QTest::newRow("Check1") << QRect(32, 8, 145, 17);
  QTest::newRow("Check2") << QRect(208, 8, 160, 16);
  QTest::newRow("Combo1") << QRect(32, 32, 153, 20);
  QTest::newRow("Command1") << QRect(208, 24, 81, 25);
  QTest::newRow("Command2") << QRect(320, 24, 89, 25);
  QTest::newRow("Command3") << QRect(424, 24, 89, 25);
  QTest::newRow("ExportButton") << QRect(424, 24, 89, 25);  // where Command3 is hidden
  QTest::newRow("FramerControl1") << QRect(16, 64, 977, 201);
  QTest::newRow("WebBrowser1") << QRect(16, 272, 977, 281);
}

void Form1Test::controlsAtTheirDesignGeometry() {
  QFETCH(QRect, geometry);
  MakeForm();
  QCOMPARE(Control<QWidget>(QTest::currentDataTag())->geometry(), geometry);
}

void Form1Test::labelsSizedToTheirCaptions() {
  MakeForm();
  auto* label2 = Control<QLabel>("Label2");
  auto* label1 = Control<QLabel>("Label1");
  QCOMPARE(label2->pos(), QPoint(528, 32));
  QCOMPARE(label1->pos(), QPoint(592, 32));
  QCOMPARE(label2->size(), label2->sizeHint());
  QCOMPARE(label1->size(), label1->sizeHint());
}

void Form1Test::noControlOverlapsAnother() {
  MakeForm();
  for (const char* a : kControls) {
    for (const char* b : kControls) {
      // The export button stands where the hidden Command3 would.
      if (a == b || QByteArray(a) + b == "ExportButtonCommand3" ||
          QByteArray(b) + a == "ExportButtonCommand3") {
        continue;
      }
      QVERIFY2(!Control<QWidget>(a)->geometry().intersects(Control<QWidget>(b)->geometry()),
               qPrintable(QStringLiteral("%1 overlaps %2").arg(a, b)));
    }
  }
}

void Form1Test::captions() {
  MakeForm();
  QCOMPARE(Control<QCheckBox>("Check1")->text(), QStringLiteral("表格第一行是标题"));
  QCOMPARE(Control<QCheckBox>("Check2")->text(), QStringLiteral("每份文档一条记录"));
  QCOMPARE(Control<QPushButton>("Command1")->text(), QStringLiteral("开始转换"));
  QCOMPARE(Control<QPushButton>("Command2")->text(), QStringLiteral("关闭"));
  QCOMPARE(Control<QPushButton>("Command3")->text(), QStringLiteral("转换"));
  QCOMPARE(Control<QPushButton>("ExportButton")->text(), QStringLiteral("导出…"));
  QCOMPARE(Control<QLabel>("Label2")->text(), QStringLiteral("处理状态\uFF1A"));
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("Label1"));
}

void Form1Test::initialStates() {
  Form1& form = MakeForm();
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(Control<QCheckBox>("Check1")->checkState(), Qt::Checked);
  QCOMPARE(Control<QCheckBox>("Check2")->checkState(), Qt::Unchecked);
  QVERIFY(!form.OneRecordPerDocument());
  auto* combo = Control<QComboBox>("Combo1");
  QVERIFY(combo->isEditable());
  QCOMPARE(combo->currentIndex(), -1);
  QCOMPARE(combo->currentText(), QStringLiteral("Word文档第1个表格"));
  QVERIFY(!Control<QPushButton>("Command3")->isVisible());
  for (const char* name : {"Check1", "Check2", "Combo1", "Command1", "Command2", "ExportButton",
                           "Label1", "Label2", "FramerControl1", "WebBrowser1"}) {
    QVERIFY2(Control<QWidget>(name)->isVisible(), name);
    QVERIFY2(Control<QWidget>(name)->isEnabled(), name);
  }
  QVERIFY(!form.FramerControl1().HoldsDocument());
  QVERIFY(form.WebBrowser1().url().isEmpty());
  QVERIFY(form.WebBrowser1().LocationPath().empty());
  QVERIFY(form.state().strTable.empty());
  QVERIFY(!form.state().strTableFirstLine);
  QVERIFY(!form.state().cn && !form.state().rs);  // nothing is opened at start
  QVERIFY(!form.Running());
}

void Form1Test::combo1EntriesAndItemData() {
  Form1& form = MakeForm();
  auto* combo = Control<QComboBox>("Combo1");
  QCOMPARE(combo->count(), 8);
  for (int i = 0; i < 8; ++i) {
    QCOMPARE(combo->itemText(i), QStringLiteral("Word文档第%1个表格").arg(i + 1));
    QCOMPARE(form.Combo1ItemData(i), i + 1);
  }
  QCOMPARE(form.Combo1ListIndex(), -1);
  form.SetCombo1ListIndex(0);
  QCOMPARE(form.Combo1ListIndex(), 0);
  QCOMPARE(combo->currentText(), QStringLiteral("Word文档第1个表格"));
  form.SetCombo1ListIndex(6);
  QCOMPARE(combo->currentText(), QStringLiteral("Word文档第7个表格"));
  QCOMPARE(form.Combo1ItemData(form.Combo1ListIndex()), 7);
}

void Form1Test::combo1TypedTextSelectsNothing() {
  Form1& form = MakeForm();
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  auto* combo = Control<QComboBox>("Combo1");
  combo->setFocus();
  for (const QString& typed : {QStringLiteral("其他"), QStringLiteral("Word文档第3个表格")}) {
    combo->lineEdit()->selectAll();
    QInputMethodEvent typing;  // Chinese is typed through an input method
    typing.setCommitString(typed);
    QApplication::sendEvent(combo->lineEdit(), &typing);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    Control<QPushButton>("Command2")->setFocus();  // editing finishes
    combo->setFocus();
    QCOMPARE(combo->currentText(), typed);
    QCOMPARE(form.Combo1ListIndex(), -1);
    QCOMPARE(combo->count(), 8);
  }
}

void Form1Test::check1ValueIsZeroOneOrTwo() {
  Form1& form = MakeForm();
  auto* check = Control<QCheckBox>("Check1");
  QCOMPARE(form.Check1Value(), 1);
  QTest::mouseClick(check, Qt::LeftButton);
  QCOMPARE(form.Check1Value(), 0);
  QTest::mouseClick(check, Qt::LeftButton);
  QCOMPARE(form.Check1Value(), 1);  // two states for the user
  check->setCheckState(Qt::PartiallyChecked);
  QCOMPARE(form.Check1Value(), 2);
}

void Form1Test::focusStartsOnCommand2AndFollowsTabIndex() {
  Form1& form = MakeForm();
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  QCOMPARE(QApplication::focusWidget(), Control<QWidget>("Command2"));
  // Command3 is hidden and the labels take no focus: Tab skips them; the
  // export button, in Command3's place, takes its turn. The browser engine
  // hands the focus on when its page has answered.
  for (const char* next : {"ExportButton", "FramerControl1", "Command1", "Check1", "Check2",
                           "Combo1", "WebBrowser1", "Command2"}) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* expected = Control<QWidget>(next);
    auto focused = [expected] {
      QWidget* focus = QApplication::focusWidget();
      return focus == expected || expected->isAncestorOf(focus);
    };
    QTRY_VERIFY2(focused(), next);
  }
}

void Form1Test::longStatusWidensLabel1OnOneLine() {
  Form1& form = MakeForm();
  auto* label = Control<QLabel>("Label1");
  const QRect before = label->geometry();
  const QString text = QStringLiteral("数据库存在形式与CC.html显示的效果类似，<b>处理状态</b> ") +
                       QString(40, QLatin1Char('9'));
  form.Label1Progress().ShowStatus(text.toStdU16String());
  QCOMPARE(label->text(), text);  // as it is: plain text, markup included
  QCOMPARE(label->pos(), before.topLeft());
  QVERIFY(!label->wordWrap());
  QVERIFY(label->height() < 2 * label->fontMetrics().lineSpacing());  // one line
  QVERIFY(label->width() >= label->fontMetrics().horizontalAdvance(text));
  QVERIFY(label->width() > 400);
  form.Label1Progress().ShowStatus(u"3");
  QCOMPARE(label->pos(), before.topLeft());
  QVERIFY(label->width() < before.width());
}

void Form1Test::geometryKeptOnResizeAndMaximize() {
  Form1& form = MakeForm();
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QMap<QString, QRect> designed;
  for (const char* name : kControls) designed[name] = Control<QWidget>(name)->geometry();
  form.resize(1400, 900);
  QTRY_COMPARE(form.size(), QSize(1400, 900));
  form.resize(500, 300);
  QTRY_COMPARE(form.size(), QSize(500, 300));
  form.showMaximized();
  QTRY_VERIFY(form.isMaximized());
  for (const char* name : kControls) QCOMPARE(Control<QWidget>(name)->geometry(), designed[name]);
}

void Form1Test::command2WithNoDocumentChangesNothing() {
  Form1& form = MakeForm();
  form.show();
  MessageBoxCloser boxes;
  form.state().strTable = u"<tr><td>x";
  QTest::mouseClick(Control<QPushButton>("Command2"), Qt::LeftButton);
  QCOMPARE(host_.close_calls, 1);
  QVERIFY(boxes.texts.isEmpty());
  QVERIFY(form.isVisible());
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("Label1"));
  QVERIFY(form.state().strTable == u"<tr><td>x");
  QVERIFY(!form.state().cn);
  QVERIFY(host_.opens.empty());
}

void Form1Test::failuresShownAndTheProgramGoesOn() {
  int runs = 0;
  bool busy = false;
  Form1Commands commands;
  commands.start = [&](Form1&) {
    ++runs;
    busy = QApplication::overrideCursor() != nullptr &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    return Status(ErrorNumber::kStatementFailed, "no such column: field9");
  };
  Form1& form = MakeForm(std::move(commands));
  form.show();
  MessageBoxCloser boxes;
  QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
  QVERIFY2(busy, "the busy cursor shows while a command runs");
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QCOMPARE(boxes.texts.size(), 1);
  QVERIFY(boxes.titles[0].contains(QStringLiteral("3006")));
  QVERIFY(boxes.texts[0].contains(QStringLiteral("3006")));
  QVERIFY(boxes.texts[0].contains(QStringLiteral("no such column: field9")));
  QCOMPARE(boxes.buttons, QStringList{QStringLiteral("确定")});
  // The status no longer shows the earlier run's closing text.
  QCOMPARE(Control<QLabel>("Label1")->text(),
           QStringLiteral("错误 3006：未完成，dt_table 未作改动"));
  QVERIFY(form.isVisible());
  QVERIFY(!form.Running());
  QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);  // it runs again
  QCOMPARE(runs, 2);
  QCOMPARE(boxes.texts.size(), 2);

  host_.close_result = Status(ErrorNumber::kConverterFailed, "the server stopped");
  QTest::mouseClick(Control<QPushButton>("Command2"), Qt::LeftButton);
  QCOMPARE(boxes.texts.size(), 3);
  QVERIFY(boxes.texts[2].contains(QStringLiteral("2006")));
  QVERIFY(boxes.texts[2].contains(QStringLiteral("the server stopped")));
  QVERIFY(form.isVisible());
}

void Form1Test::clicksIgnoredDuringARun() {
  int starts = 0, asked = 0, exports = 0;
  bool clicked = false;
  Form1Commands commands;
  commands.start = [&](Form1& form) {
    ++starts;
    QTimer::singleShot(0, [&] {
      QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
      QTest::mouseClick(Control<QPushButton>("Command2"), Qt::LeftButton);
      QTest::mouseClick(Control<QPushButton>("ExportButton"), Qt::LeftButton);
      clicked = true;
    });
    return YieldUntil(form, [&] { return clicked; });
  };
  commands.export_to = [&](Form1&, const std::string&) {
    ++exports;
    return Status();
  };
  Form1& form = MakeForm(std::move(commands));
  form.SetSaveDialog([&](QWidget*, const QString&) {
    ++asked;
    return QStringLiteral("/tmp/t.xlsx");
  });
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
  QVERIFY(clicked);
  QCOMPARE(starts, 1);
  QCOMPARE(host_.close_calls, 0);
  QCOMPARE(asked, 0);  // not even asked where
  QCOMPARE(exports, 0);
  QTest::mouseClick(Control<QPushButton>("Command2"), Qt::LeftButton);  // after the run
  QCOMPARE(host_.close_calls, 1);
}

void Form1Test::closeDuringARunEndsItRolledBackThenCloses() {
  Status seen;
  bool close_sent = false;
  Form1Commands commands;
  commands.start = [&](Form1& form) {
    adodb::Connection& cn = *form.state().cn;
    return RunInTransaction(cn, [&] {
      QM_RETURN_IF_ERROR(cn.Execute(u"insert into dt_table (field0) values('a')", -1));
      QTimer::singleShot(0, [&] {
        form.close();
        close_sent = true;
      });
      seen = YieldUntil(form, [] { return false; });
      return seen;
    });
  };
  Form1& form = MakeForm(std::move(commands));
  QVERIFY(OpenDatabase(form.app_folder(), form.state()));
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  MessageBoxCloser boxes;
  QTest::mouseClick(Control<QPushButton>("Command1"), Qt::LeftButton);
  QVERIFY(close_sent);
  QCOMPARE(seen.number(), ErrorNumber::kRunCancelled);
  QVERIFY(!form.isVisible());
  QVERIFY(boxes.texts.isEmpty());  // the user asked for it: no message
  QCOMPARE(RowsIn(*form.state().cn), 0);
}

// A file manager offers copy, move and link, proposing move: every part of
// the window answers copy (a move would delete the document), the drop runs
// once answered, and a drag that offers no copy is refused. The file's name
// comes as its bytes, UTF-8 or not.
void Form1Test::dropsAnywhereAreTakenAsCopies() {
  std::vector<std::vector<std::string>> dropped;
  Form1Commands commands;
  commands.drop = [&](Form1&, const std::vector<std::string>& paths) {
    dropped.push_back(paths);
    return Status();
  };
  Form1& form = MakeForm(std::move(commands));
  form.show();
  QMimeData data;
  data.setUrls({QUrl::fromEncoded("file:///forms/%E8%A1%A8%FE%20a.docx")});
  const QPoint where(5, 5);
  for (QWidget* part : {static_cast<QWidget*>(&form), Control<QWidget>("FramerControl1"),
                        Control<QWidget>("WebBrowser1")}) {
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
    QDragEnterEvent enter(where, offered, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(part, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(where, offered, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(part, &drop);
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    QCoreApplication::processEvents();  // it runs once the drop is answered
    QCOMPARE(dropped.back(), std::vector<std::string>{"/forms/表\xFE a.docx"});

    QDragEnterEvent move_only(where, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(part, &move_only);
    QVERIFY(!move_only.isAccepted());
  }
  QCOMPARE(dropped.size(), 3u);
}

// The save dialog suggests data.xlsx in the application folder, then the
// file last chosen; the export gets the chosen file's bytes; a cancelled
// dialog runs nothing and leaves the status as it was.
void Form1Test::exportAsksWhereToSaveThenExportsThere() {
  std::vector<std::string> exported;
  Form1Commands commands;
  commands.export_to = [&](Form1& form, const std::string& file) {
    exported.push_back(file);
    form.Label1Progress().ShowStatus(u"exported");
    return Status();
  };
  Form1& form = MakeForm(std::move(commands));
  QStringList suggested;
  QString answer = QStringLiteral("/tmp/表.csv");
  bool over_the_window = true;
  form.SetSaveDialog([&](QWidget* parent, const QString& suggestion) {
    over_the_window &= parent == &form;
    suggested << suggestion;
    return answer;
  });
  form.show();
  auto* button = Control<QPushButton>("ExportButton");
  QTest::mouseClick(button, Qt::LeftButton);
  QTest::mouseClick(button, Qt::LeftButton);
  answer.clear();  // cancelled
  form.Label1Progress().ShowStatus(u"as it was");
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(suggested, QStringList({dir_->path() + "/data.xlsx", QStringLiteral("/tmp/表.csv"),
                                   QStringLiteral("/tmp/表.csv")}));
  QVERIFY(over_the_window);
  QCOMPARE(exported, std::vector<std::string>(2, "/tmp/表.csv"));
  QCOMPARE(Control<QLabel>("Label1")->text(), QStringLiteral("as it was"));
}

}  // namespace quillmere

QTEST_MAIN(quillmere::Form1Test)
#include "form1_test.moc"
