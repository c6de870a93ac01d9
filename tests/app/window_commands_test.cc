// The window's buttons wired to the real commands, the real document server
// and a real data.mdb, on the offscreen platform.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>

#include "app/run_window.h"
#include "document/document_server.h"
#include "output/dt_table.h"
#include "platform/encoding/codepage.h"
#include "platform/messages.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"
#include "support/shown_text.h"
#include "support/temp_folder.h"
#include "support/zip_writer.h"

namespace quillmere {

class WindowCommandsTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareWebEngine(); }

 private slots:
  void init();
  void cleanup();
  void startButtonFillsDtTableAndShowsThePreview();
  void previewOfThousandsOfRowsIsShownWhole();
  void secondClickReplacesTheRowsOnTheSameConnection();
  void hiddenConversionButtonAddsTheRowsAgain();
  void failedHiddenConversionLeavesDtTableAsItWas();
  void failedStartIsShownAndLeavesDtTableAsItWas();
  void failuresSpeakChineseInTheWindowsOwnWords();
  void oneDroppedDocumentIsRunAsIfItWereTestDoc();
  void severalDroppedDocumentsAreCollected();
  void droppedFormsGiveOneRecordEachWhenTicked();
  void aFileDroppedTwiceIsReadOnceByItsBytesAndTheStatusSaysSo();
  void exportButtonWritesTheTableTheExportTakesWhereTheDialogSays();

 private:
  void ClickAndCloseAnyBox(const char* button);
  void DropAndCloseAnyBox(const QStringList& paths);
  void DropUrlsAndCloseAnyBox(const QList<QUrl>& urls);
  void CloseBoxesWhile(const std::function<void()>& action);
  QString Forms();
  int Count(const char16_t* sql);
  int Rows();
  QString ReadCp936(const QString& name) const;
  QString Folder() const { return dir_->path(); }

  std::unique_ptr<QTemporaryDir> dir_;
  std::unique_ptr<document::DocumentServer> server_;
  std::unique_ptr<Form1> form_;
  QStringList boxes_;
};

void WindowCommandsTest::init() {
  dir_ = std::make_unique<QTemporaryDir>();
  // The bundled sample, a Word 97-2003 document with three tables.
  QVERIFY(QFile::copy(QStringLiteral(QUILLMERE_SOURCE_DIR "/samples/test.doc"),
                      dir_->filePath(QStringLiteral("test.doc"))));
  QVERIFY(CreateDataMdb(Folder().toStdU16String(), kDefaultColumns).ok());
  server_ = std::make_unique<document::DocumentServer>();
  form_ = std::make_unique<Form1>(Folder().toStdU16String(), *server_, WindowCommands());
  form_->show();
  boxes_.clear();
}

void WindowCommandsTest::cleanup() {
  messages::Use(messages::Language::kEnglish, messages::Reader::kCommandLine);
  form_.reset();
  server_.reset();
  dir_.reset();
}

// Does `action`; a message box it brings up is noted and closed.
void WindowCommandsTest::CloseBoxesWhile(const std::function<void()>& action) {
  QTimer closer;
  connect(&closer, &QTimer::timeout, [this] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      boxes_ << box->text();
      box->accept();
    }
  });
  closer.start(5);
  action();
}

void WindowCommandsTest::ClickAndCloseAnyBox(const char* button) {
  CloseBoxesWhile([&] { form_->findChild<QPushButton*>(QLatin1String(button))->click(); });
}

// Drops the files onto the window, as a file manager drops them.
void WindowCommandsTest::DropAndCloseAnyBox(const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  DropUrlsAndCloseAnyBox(urls);
}

void WindowCommandsTest::DropUrlsAndCloseAnyBox(const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPointF where(form_->width() / 2.0, form_->height() / 2.0);
  QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(form_.get(), &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  CloseBoxesWhile([&] {
    QApplication::sendEvent(form_.get(), &drop);
    QCoreApplication::processEvents();  // the run starts once the drop is answered
  });
}

// A folder beside the application folder holding the sample as b.doc and a
// .docx as a.docx.
QString WindowCommandsTest::Forms() {
  const QString forms = dir_->filePath(QStringLiteral("forms"));
  QDir().mkpath(forms);
  QFile::copy(QStringLiteral(QUILLMERE_SOURCE_DIR "/samples/test.doc"), forms + "/b.doc");
  QFile::copy(QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/document/data/merged-cells.docx"),
              forms + "/a.docx");
  return forms;
}

int WindowCommandsTest::Count(const char16_t* sql) {
  std::unique_ptr<adodb::Recordset> rs;
  if (!form_->state().cn->Execute(sql, -1, &rs).ok()) return -1;
  return QString::fromStdU16String(rs->Value(0, 0).value_or(u"")).toInt();
}

QString WindowCommandsTest::ReadCp936(const QString& name) const {
  QFile file(dir_->filePath(name));
  if (!file.open(QIODevice::ReadOnly)) return QString();
  const QByteArray bytes = file.readAll();
  return QString::fromStdU16String(
      codepage::DecodeCp936(std::string_view(bytes.data(), bytes.size())));
}

int WindowCommandsTest::Rows() {
  std::unique_ptr<adodb::Recordset> rs;
  if (!form_->state().cn->Execute(u"select count(*) from dt_table", -1, &rs).ok()) return -1;
  return QString::fromStdU16String(rs->Value(0, 0).value_or(u"")).toInt();
}

void WindowCommandsTest::startButtonFillsDtTableAndShowsThePreview() {
  ClickAndCloseAnyBox("Command1");
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(form_->Combo1ListIndex(), 0);  // no entry was chosen: the first is
  QCOMPARE(Rows(), 5);                    // the sample's first table: a header and five rows
  QVERIFY(!form_->state().cn->InTransaction());
  QVERIFY(!form_->FramerControl1().HoldsDocument());
  QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
           QStringLiteral("数据库存在形式与CC.html显示的效果类似"));
  for (const char* file : {"test.html", "tabletest.html", "cc.html"}) {
    QVERIFY2(QFile::exists(dir_->filePath(QLatin1String(file))), file);
  }
  QVERIFY(
      ReadCp936(QStringLiteral("tabletest.html")).startsWith(QStringLiteral("class=MsoTableGrid")));
  QVERIFY(ReadCp936(QStringLiteral("test.html")).contains(QStringLiteral("课程表")));
  QVERIFY(ReadCp936(QStringLiteral("cc.html"))
              .contains(QStringLiteral("values('合计total','合计total','440','跨两列')")));
  QTRY_VERIFY(testing::ShownText(form_->WebBrowser1())
                  .contains(QStringLiteral("values('合计total','合计total','440','跨两列')")));
}

void WindowCommandsTest::previewOfThousandsOfRowsIsShownWhole() {
  QVERIFY(QFile::remove(dir_->filePath(QStringLiteral("test.doc"))));
  QVERIFY(
      QFile::copy(QStringLiteral(LARGE_2000_ROWS_DOC), dir_->filePath(QStringLiteral("test.doc"))));
  ClickAndCloseAnyBox("Command1");
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(Rows(), 2000);
  WebBrowser& pane = form_->WebBrowser1();
  QTRY_VERIFY_WITH_TIMEOUT(testing::ShownText(pane).contains(
                               QStringLiteral("values('row2000','0','itemname60','500.00')")),
                           30000);
  QVERIFY(testing::ShownText(pane).contains(QStringLiteral("row2000\t0\titemname60\t500.00")));
  QCOMPARE(pane.PartCount(), 1);
}

void WindowCommandsTest::secondClickReplacesTheRowsOnTheSameConnection() {
  ClickAndCloseAnyBox("Command1");
  const int rows = Rows();
  const adodb::Connection* cn = form_->state().cn.get();
  ClickAndCloseAnyBox("Command1");
  QVERIFY(boxes_.isEmpty());
  QCOMPARE(form_->state().cn.get(), cn);
  QCOMPARE(Rows(), rows);
}

void WindowCommandsTest::hiddenConversionButtonAddsTheRowsAgain() {
  ClickAndCloseAnyBox("Command1");
  const int rows = Rows();
  ClickAndCloseAnyBox("Command3");  // the conversion alone empties nothing
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(Rows(), 2 * rows);
  QVERIFY(!form_->state().cn->InTransaction());
}

void WindowCommandsTest::failedHiddenConversionLeavesDtTableAsItWas() {
  ClickAndCloseAnyBox("Command1");
  const int rows = Rows();
  // Another program reads dt_table: the conversion's inserts go in, its
  // commit cannot.
  testing::OtherConnection reader(dir_->filePath(QStringLiteral("data.mdb")).toStdString());
  reader.Run("begin; select * from dt_table");
  form_->state().cn->SetLockTimeout(std::chrono::milliseconds(50));
  ClickAndCloseAnyBox("Command3");
  reader.Run("commit");
  QCOMPARE(boxes_.size(), 1);
  QVERIFY2(boxes_[0].contains(QStringLiteral("3007")), qPrintable(boxes_[0]));
  QVERIFY(!form_->state().cn->InTransaction());
  QCOMPARE(Rows(), rows);
}

void WindowCommandsTest::failedStartIsShownAndLeavesDtTableAsItWas() {
  ClickAndCloseAnyBox("Command1");
  const int rows = Rows();
  QVERIFY(QFile::remove(dir_->filePath(QStringLiteral("test.doc"))));
  ClickAndCloseAnyBox("Command1");
  QCOMPARE(boxes_.size(), 1);
  QVERIFY(boxes_[0].contains(QStringLiteral("1001")));
  QVERIFY(boxes_[0].contains(QStringLiteral("test.doc")));
  QCOMPARE(Rows(), rows);
  QVERIFY(form_->isVisible());
}

// As RunWindow sets it up: Chinese, and advice for someone at the window,
// not at a command line.
void WindowCommandsTest::failuresSpeakChineseInTheWindowsOwnWords() {
  messages::Use(messages::Language::kChinese, messages::Reader::kWindow, QUILLMERE_LOCALE_DIR);
  // The sample's first table has four columns.
  QVERIFY(QFile::remove(dir_->filePath(QStringLiteral("data.mdb"))));
  QVERIFY(CreateDataMdb(Folder().toStdU16String(), 2).ok());
  ClickAndCloseAnyBox("Command1");
  QCOMPARE(boxes_.size(), 1);
  QVERIFY2(boxes_[0].contains(QStringLiteral("表格有 4 列")), qPrintable(boxes_[0]));
  QVERIFY2(boxes_[0].contains(QStringLiteral("README.md")), qPrintable(boxes_[0]));
  QVERIFY2(!boxes_[0].contains(QStringLiteral("quillmere newdb")), qPrintable(boxes_[0]));
}

void WindowCommandsTest::oneDroppedDocumentIsRunAsIfItWereTestDoc() {
  const QString forms = Forms();
  DropAndCloseAnyBox({forms + "/a.docx"});
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(Rows(), 4);  // the .docx's table: a header and four rows
  QVERIFY(ReadCp936(QStringLiteral("tabletest.html")).contains(QStringLiteral("hm")));
  QCOMPARE(Count(u"select count(*) from dt_origin"), 0);
  QVERIFY(!form_->FramerControl1().HoldsDocument());
  QVERIFY(QFile::exists(forms + "/a.docx"));

  ClickAndCloseAnyBox("Command1");  // the start button still takes test.doc
  QCOMPARE(Rows(), 5);
}

void WindowCommandsTest::severalDroppedDocumentsAreCollected() {
  const QString forms = Forms();
  DropAndCloseAnyBox({forms});
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(Rows(), 9);
  QCOMPARE(Count(u"select count(distinct document) from dt_origin"), 2);
  QVERIFY(!QFile::exists(dir_->filePath(QStringLiteral("test.html"))));
  QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
           QStringLiteral("数据库存在形式与CC.html显示的效果类似"));
  QTRY_VERIFY(testing::ShownText(form_->WebBrowser1()).contains(QStringLiteral("a.docx")));

  // A bad document among them stops it all, named in one message box.
  QFile bad(forms + "/c.doc");
  QVERIFY(bad.open(QIODevice::WriteOnly));
  bad.write("plain text");
  bad.close();
  DropAndCloseAnyBox({forms + "/a.docx", forms + "/c.doc"});
  QCOMPARE(boxes_.size(), 1);
  QVERIFY2(boxes_[0].contains(QStringLiteral("c.doc: error 2001")), qPrintable(boxes_[0]));
  QCOMPARE(Rows(), 9);
}

// Two filled-in copies of a small form: a label row over a value row.
void WindowCommandsTest::droppedFormsGiveOneRecordEachWhenTicked() {
  const QString forms = dir_->filePath(QStringLiteral("filled"));
  QDir().mkpath(forms);
  for (const char* name : {"张三", "李四"}) {
    const std::string body =
        "<w:tbl><w:tr><w:tc><w:p><w:r><w:t>姓名</w:t></w:r></w:p></w:tc>"
        "<w:tc><w:p><w:r><w:t>" +
        std::string(name) + "</w:t></w:r></w:p></w:tc></w:tr></w:tbl><w:p/>";
    QVERIFY(document::testing::WriteDocx(
        (forms + "/" + QString::fromUtf8(name) + ".docx").toStdString(),
        document::testing::DocumentXml(body)));
  }
  form_->findChild<QCheckBox*>(QStringLiteral("Check2"))->setChecked(true);
  DropAndCloseAnyBox({forms});
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(Count(u"select count(*) from dt_form"), 2);
  QCOMPARE(Count(u"select count(*) from dt_form where 姓名 in ('张三', '李四')"), 2);
  QCOMPARE(Rows(), 0);  // dt_table as it was: empty
  QTRY_VERIFY(testing::ShownText(form_->WebBrowser1()).contains(QStringLiteral("李四")));

  ClickAndCloseAnyBox("Command1");  // the start button still runs test.doc
  QCOMPARE(Rows(), 5);
  QCOMPARE(Count(u"select count(*) from dt_form"), 2);
}

// A name that is not UTF-8 reaches the document as its bytes; dropped with
// it again, the document is run once, and the closing status says so.
void WindowCommandsTest::aFileDroppedTwiceIsReadOnceByItsBytesAndTheStatusSaysSo() {
  const QByteArray forms = QFile::encodeName(Forms());
  const QByteArray document = forms + "/\xFE\xFF.docx";
  QVERIFY(std::rename((forms + "/a.docx").constData(), document.constData()) == 0);
  const QUrl url = QUrl::fromEncoded("file://" + document.toPercentEncoding("/"));
  DropUrlsAndCloseAnyBox({url, url});
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QCOMPARE(Rows(), 4);  // the .docx's table: a header and four rows
  QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
           QStringLiteral("数据库存在形式与CC.html显示的效果类似 (1 file dropped more than once, "
                          "read once)"));
}

// After a run, the export button writes dt_table through the export
// command, replacing the file the dialog chose; a failure is a numbered box.
void WindowCommandsTest::exportButtonWritesTheTableTheExportTakesWhereTheDialogSays() {
  ClickAndCloseAnyBox("Command1");
  QString file = dir_->filePath(QStringLiteral("课程表.csv"));
  form_->SetSaveDialog([&](QWidget*, const QString&) { return file; });
  QFile mine(file);
  QVERIFY(mine.open(QIODevice::WriteOnly));
  mine.write("mine");
  mine.close();
  ClickAndCloseAnyBox("ExportButton");
  QVERIFY2(boxes_.isEmpty(), qPrintable(boxes_.join('\n')));
  QVERIFY(mine.open(QIODevice::ReadOnly));
  const QByteArray csv = mine.readAll();
  QVERIFY2(csv.startsWith("\xEF\xBB\xBF"
                          "field0,field1,field2,field3\r\n"),
           csv.constData());
  QVERIFY2(csv.contains("合计total,合计total,440,跨两列\r\n"), csv.constData());
  QCOMPARE(form_->findChild<QLabel*>(QStringLiteral("Label1"))->text(),
           QStringLiteral("Exported 5 rows of dt_table to 课程表.csv in ") + Folder());

  file = dir_->filePath(QStringLiteral("课程表.txt"));
  ClickAndCloseAnyBox("ExportButton");
  QCOMPARE(boxes_.size(), 1);
  QVERIFY2(boxes_[0].contains(QStringLiteral("6001")), qPrintable(boxes_[0]));
  QVERIFY(!QFile::exists(file));
  QCOMPARE(Rows(), 5);
}

}  // namespace quillmere

QTEST_MAIN(quillmere::WindowCommandsTest)
#include "window_commands_test.moc"
