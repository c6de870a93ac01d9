// The browser pane and the document pane, on the offscreen platform.
#include <QLabel>
#include <QTemporaryDir>
#include <QTextFrame>
#include <QtTest>

#include "platform/encoding/codepage.h"
#include "platform/file_system.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/recording_document_host.h"
#include "platform/qt/web_browser.h"

namespace quillmere {
namespace {

class NamedDocument : public WordDocument {
 public:
  Status SaveAs(std::u16string_view, int16_t) override { return Status(); }
};

std::u16string U16(const QString& text) { return text.toStdU16String(); }

// Writes `page` to `path` in code page 936, as the preview page is written.
void WritePage(const QString& path, const QString& page) {
  const std::string bytes = codepage::EncodeCp936(U16(page), codepage::Unencodable::kQuestionMark);
  QVERIFY(files::Disk().WriteWholeFile(path.toStdString(), bytes).ok());
}

}  // namespace

class PanesTest : public QObject {
  Q_OBJECT

 private slots:
  void browserStartsWithNoPage();
  void browserLoadsThePageWrittenAfterTheCall();
  void browserReadsPathsWithBackslashSeparators();
  void browserShowsTheLastOfSeveralRequests();
  void browserSaysSoWhenThePageIsMissing();
  void browserShowsTheStartOfALongPage();
  void documentPaneStartsEmpty();
  void documentPaneForwardsOpenAndShowsTheDocument();
  void documentPaneStaysEmptyWhenOpenFails();
  void documentPaneForwardsActiveDocument();
  void documentPaneClosesWithAndWithoutADocument();
  void documentPaneReportsAFailedClose();

 private:
  QTemporaryDir dir_;
};

void PanesTest::browserStartsWithNoPage() {
  WebBrowser browser;
  QVERIFY(browser.toPlainText().isEmpty());
  QVERIFY(browser.source().isEmpty());
  QVERIFY(browser.LocationPath().empty());
}

void PanesTest::browserLoadsThePageWrittenAfterTheCall() {
  const QString path = dir_.filePath(QStringLiteral("cc.html"));
  WritePage(path, QStringLiteral("<table border=1> <tr><td>上一次</td></table>"));
  WebBrowser browser;
  browser.Navigate2(U16(path));
  QVERIFY(browser.toPlainText().isEmpty());  // nothing is read during the call
  WritePage(path, QStringLiteral("<table border=1> <tr><td>数据库</td><td>&nbsp;</td></tr></table>"
                                 "<br>insert into dt_table"));
  QTRY_VERIFY(browser.toPlainText().contains(QStringLiteral("数据库")));
  QVERIFY(!browser.toPlainText().contains(QStringLiteral("上一次")));
  QVERIFY(browser.toPlainText().contains(QStringLiteral("insert into dt_table")));
  QCOMPARE(browser.document()->rootFrame()->childFrames().size(), 1);  // the table
}

void PanesTest::browserReadsPathsWithBackslashSeparators() {
  WritePage(dir_.filePath(QStringLiteral("cc.html")), QStringLiteral("<b>表格</b>"));
  WebBrowser browser;
  browser.Navigate2(U16(dir_.path() + QStringLiteral("\\cc.html")));
  QTRY_COMPARE(browser.toPlainText(), QStringLiteral("表格"));
}

void PanesTest::browserShowsTheLastOfSeveralRequests() {
  WritePage(dir_.filePath(QStringLiteral("a.html")), QStringLiteral("first"));
  WritePage(dir_.filePath(QStringLiteral("b.html")), QStringLiteral("second"));
  WebBrowser browser;
  browser.Navigate2(U16(dir_.filePath(QStringLiteral("a.html"))));
  browser.Navigate2(U16(dir_.filePath(QStringLiteral("b.html"))));
  QTRY_COMPARE(browser.toPlainText(), QStringLiteral("second"));
  QCoreApplication::processEvents();
  QCOMPARE(browser.toPlainText(), QStringLiteral("second"));
}

void PanesTest::browserSaysSoWhenThePageIsMissing() {
  WebBrowser browser;
  const QString missing = dir_.filePath(QStringLiteral("missing.html"));
  browser.Navigate2(U16(missing));
  QTRY_VERIFY(browser.toPlainText().startsWith(QStringLiteral("无法显示网页")));
  QVERIFY(browser.toPlainText().contains(missing));
}

void PanesTest::browserShowsTheStartOfALongPage() {
  QString page = QStringLiteral("<table border=1> ");
  for (int row = 0; row < 20000; ++row) {
    page += QStringLiteral("\r\n<tr><td>第%1行</td><td>value</td></td>").arg(row);
  }
  page += QStringLiteral("</tr></table>\r\n<br>insert into dt_table");
  const QString path = dir_.filePath(QStringLiteral("cc.html"));
  WritePage(path, page);
  WebBrowser browser;
  browser.Navigate2(U16(path));
  QTRY_VERIFY(browser.toPlainText().contains(QStringLiteral("第0行")));
  QVERIFY(!browser.toPlainText().contains(QStringLiteral("第19999行")));
  QVERIFY(browser.toPlainText().contains(QStringLiteral("完整内容见")));
  QCOMPARE(browser.document()->rootFrame()->childFrames().size(), 1);  // the table, closed
}

void PanesTest::documentPaneStartsEmpty() {
  testing::RecordingDocumentHost host;
  FramerControl pane(host);
  QVERIFY(!pane.HoldsDocument());
  QVERIFY(pane.findChild<QLabel*>()->text().isEmpty());
  QVERIFY(pane.frameShape() != QFrame::NoFrame);
}

void PanesTest::documentPaneForwardsOpenAndShowsTheDocument() {
  // What the pane shows while the server reads the document (which takes
  // seconds for a large one).
  struct WatchedHost : testing::RecordingDocumentHost {
    QLabel* label = nullptr;
    QString shown_while_opening;
    Status Open(std::u16string_view doc, bool read_only, std::u16string_view prog_id,
                std::u16string_view user_name, std::u16string_view password) override {
      shown_while_opening = label->text();
      return RecordingDocumentHost::Open(doc, read_only, prog_id, user_name, password);
    }
  } host;
  FramerControl pane(host);
  host.label = pane.findChild<QLabel*>();
  QVERIFY(pane.Open(u"/app\\\\test.doc", true, u"Word.Document", u"", u"").ok());
  QCOMPARE(host.shown_while_opening, QStringLiteral("/app/test.doc"));
  QCOMPARE(host.opens.size(), size_t{1});
  const auto& call = host.opens[0];
  QVERIFY(call.document == u"/app\\\\test.doc");
  QVERIFY(call.read_only);
  QVERIFY(call.prog_id == u"Word.Document");
  QVERIFY(call.user_name.empty() && call.password.empty());
  QVERIFY(pane.HoldsDocument());
  QCOMPARE(pane.findChild<QLabel*>()->text(), QStringLiteral("/app/test.doc"));
}

void PanesTest::documentPaneStaysEmptyWhenOpenFails() {
  testing::RecordingDocumentHost host;
  host.open_result = Status(ErrorNumber::kFileNotFound, "test.doc is missing");
  FramerControl pane(host);
  Status status = pane.Open(u"/app\\\\test.doc", true, u"Word.Document", u"", u"");
  QCOMPARE(status.code(), 1001);
  QVERIFY(!pane.HoldsDocument());
  QVERIFY(pane.findChild<QLabel*>()->text().isEmpty());
}

void PanesTest::documentPaneForwardsActiveDocument() {
  testing::RecordingDocumentHost host;
  NamedDocument document;
  host.document = &document;
  FramerControl pane(host);
  WordDocument* active = nullptr;
  QVERIFY(pane.ActiveDocument(&active).ok());
  QCOMPARE(active, &document);
  QCOMPARE(host.active_document_calls, 1);
}

void PanesTest::documentPaneClosesWithAndWithoutADocument() {
  testing::RecordingDocumentHost host;
  FramerControl pane(host);
  QVERIFY(pane.Close().ok());  // nothing open: succeeds, nothing changes
  QVERIFY(!pane.HoldsDocument());
  QVERIFY(pane.Open(u"/app/test.doc", true, u"Word.Document", u"", u"").ok());
  QVERIFY(pane.Close().ok());
  QVERIFY(pane.Close().ok());  // the start command closes twice
  QCOMPARE(host.close_calls, 3);
  QVERIFY(!pane.HoldsDocument());
  QVERIFY(pane.findChild<QLabel*>()->text().isEmpty());
}

void PanesTest::documentPaneReportsAFailedClose() {
  testing::RecordingDocumentHost host;
  FramerControl pane(host);
  QVERIFY(pane.Open(u"/app/test.doc", true, u"Word.Document", u"", u"").ok());
  host.close_result = Status(ErrorNumber::kFileIo, "the server did not answer");
  QCOMPARE(pane.Close().code(), 1003);
  QVERIFY(pane.HoldsDocument());  // still open, as the server says
}

}  // namespace quillmere

QTEST_MAIN(quillmere::PanesTest)
#include "panes_test.moc"
