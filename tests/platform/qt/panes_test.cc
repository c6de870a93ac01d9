// The browser pane and the document pane, on the offscreen platform (the
// browser engine renders there without a display).
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/encoding/codepage.h"
#include "platform/file_system.h"
#include "platform/qt/framer_control.h"
#include "platform/qt/recording_document_host.h"
#include "platform/qt/web_browser.h"
#include "platform/qt/web_engine.h"
#include "support/shown_text.h"

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

// A page shaped as the preview page: `rows` rows of a table, then a
// statement for each.
QString LongPage(int rows) {
  QString page = QStringLiteral("<table border=1> ");
  for (int row = 0; row < rows; ++row) {
    page += QStringLiteral("\r\n<tr><td>第%1行</td><td>value</td></td>").arg(row);
  }
  page += QStringLiteral("</tr></table>");
  for (int row = 0; row < rows; ++row) {
    page += QStringLiteral("\r\n<br>insert into dt_table (field0) values('第%1行')").arg(row);
  }
  return page;
}

}  // namespace

using testing::ShownText;

class PanesTest : public QObject {
  Q_OBJECT

 public:
  static void initMain() { PrepareWebEngine(); }

 private slots:
  void browserStartsWithNoPage();
  void browserShowsThePageWrittenAfterEachCallReadAsCodePage936();
  void browserReadsPathsWithBackslashSeparators();
  void browserShowsTheLastOfSeveralRequests();
  void browserSaysSoWhenThePageIsMissing();
  void browserShowsThousandsOfRowsWhole();
  void browserShowsALongerPageInPartsLinkedToEachOther();
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
  QVERIFY(browser.url().isEmpty());
  QVERIFY(browser.LocationPath().empty());
  QCOMPARE(browser.PartCount(), 0);
}

// The page carries no character set: the pane reads it as code page 936
// (two-byte characters, the euro sign at 0x80, a GBK-only character).
void PanesTest::browserShowsThePageWrittenAfterEachCallReadAsCodePage936() {
  const QString path = dir_.filePath(QStringLiteral("cc.html"));
  WritePage(path, QStringLiteral("<table border=1> <tr><td>上一次</td></table>"));
  WebBrowser browser;
  browser.Navigate2(U16(path));
  const QString chinese = QStringLiteral("数据库，€丂");
  WritePage(path, QStringLiteral("<table border=1> <tr><td>%1</td><td>&nbsp;</td></tr></table>"
                                 "<br>insert into dt_table")
                      .arg(chinese));
  QTRY_VERIFY(ShownText(browser).contains(chinese));
  QVERIFY(!ShownText(browser).contains(QStringLiteral("上一次")));
  QVERIFY(ShownText(browser).contains(QStringLiteral("insert into dt_table")));
  QCOMPARE(browser.PartCount(), 1);
  // A page shown whole has no parts: asking for one fails, and nothing breaks.
  QSignalSpy loaded(&browser, &QWebEngineView::loadFinished);
  browser.load(browser.PartUrl(0));
  QTRY_COMPARE(loaded.count(), 1);
  QCOMPARE(loaded.at(0).at(0).toBool(), false);
  // The next run writes the same file again.
  WritePage(path, QStringLiteral("<b>第二次</b>"));
  browser.Navigate2(U16(path));
  QTRY_COMPARE(ShownText(browser), QStringLiteral("第二次"));
}

void PanesTest::browserReadsPathsWithBackslashSeparators() {
  WritePage(dir_.filePath(QStringLiteral("cc.html")), QStringLiteral("<b>表格</b>"));
  WebBrowser browser;
  browser.Navigate2(U16(dir_.path() + QStringLiteral("\\cc.html")));
  QTRY_COMPARE(ShownText(browser), QStringLiteral("表格"));
}

void PanesTest::browserShowsTheLastOfSeveralRequests() {
  for (const char* name : {"a.html", "b.html", "c.html"}) {
    WritePage(dir_.filePath(QLatin1String(name)), QLatin1String(name));
  }
  WebBrowser browser;
  browser.Navigate2(U16(dir_.filePath(QStringLiteral("a.html"))));
  browser.Navigate2(U16(dir_.filePath(QStringLiteral("b.html"))));
  QTRY_COMPARE(ShownText(browser), QStringLiteral("b.html"));
  // One asked for while the other loads.
  browser.Navigate2(U16(dir_.filePath(QStringLiteral("a.html"))));
  QCoreApplication::processEvents();
  browser.Navigate2(U16(dir_.filePath(QStringLiteral("c.html"))));
  QTRY_COMPARE(ShownText(browser), QStringLiteral("c.html"));
  QTest::qWait(200);
  QCOMPARE(ShownText(browser), QStringLiteral("c.html"));
}

void PanesTest::browserSaysSoWhenThePageIsMissing() {
  WebBrowser browser;
  const QString missing = dir_.filePath(QStringLiteral("missing.html"));
  browser.Navigate2(U16(missing));
  QTRY_VERIFY(ShownText(browser).startsWith(QStringLiteral("无法显示网页")));
  QVERIFY(ShownText(browser).contains(missing));
  QCOMPARE(browser.PartCount(), 0);
}

void PanesTest::browserShowsThousandsOfRowsWhole() {
  const QString path = dir_.filePath(QStringLiteral("cc.html"));
  WritePage(path, LongPage(5000));
  WebBrowser browser;
  browser.Navigate2(U16(path));
  QTRY_VERIFY_WITH_TIMEOUT(ShownText(browser).contains(QStringLiteral("values('第4999行')")),
                           30000);
  const QString shown = ShownText(browser);
  QVERIFY(shown.contains(QStringLiteral("第0行")));
  QVERIFY(shown.contains(QStringLiteral("第4999行\tvalue")));  // the table's last row
  QCOMPARE(browser.PartCount(), 1);
}

// Parts of 4 KB here: the first holds the first rows and a link on, the last
// the last statement, each the whole of its rows and no more.
void PanesTest::browserShowsALongerPageInPartsLinkedToEachOther() {
  const QString path = dir_.filePath(QStringLiteral("cc.html"));
  WritePage(path, LongPage(300));
  WebBrowser browser(nullptr, 4096);
  browser.resize(800, 400);
  browser.show();
  browser.Navigate2(U16(path));
  QTRY_VERIFY(ShownText(browser).contains(QStringLiteral("第0行\tvalue")));
  const int parts = browser.PartCount();
  QVERIFY2(parts > 4, qPrintable(QString::number(parts)));
  QString shown = ShownText(browser);
  QVERIFY(shown.contains(QStringLiteral("这是第 1 部分")));
  QVERIFY(!shown.contains(QStringLiteral("第299行")));
  // Tab reaches the first link, 下一部分; Return follows it.
  browser.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&browser));
  browser.setFocus();
  QTest::keyClick(browser.focusProxy(), Qt::Key_Tab);
  QTest::qWait(500);
  QTest::keyClick(browser.focusProxy(), Qt::Key_Return);
  QTRY_VERIFY(ShownText(browser).contains(QStringLiteral("这是第 2 部分")));
  browser.ShowPart(parts - 1);
  QTRY_VERIFY(ShownText(browser).contains(QStringLiteral("values('第299行')")));
  QVERIFY(!ShownText(browser).contains(QStringLiteral("第0行")));
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
