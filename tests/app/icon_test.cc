// The window's icon files, as tools/make_icon.py writes them.
#include <QFile>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace quillmere {
namespace {

const QString kIcons = QStringLiteral(QUILLMERE_SOURCE_DIR "/data/icons/");

struct Entry {
  int size, bpp;
  bool png;
};

// Windows asks a .ico for these, in this order.
const Entry kIcoEntries[] = {
    {48, 4, false},  {32, 4, false},  {24, 4, false},  {16, 4, false},  {48, 8, false},
    {32, 8, false},  {24, 8, false},  {16, 8, false},  {48, 32, false}, {32, 32, false},
    {24, 32, false}, {16, 32, false}, {256, 32, true},
};

template <typename T>
T At(const QByteArray& data, qsizetype offset) {
  return qFromLittleEndian<T>(data.constData() + offset);
}

}  // namespace

class IconTest : public QObject {
  Q_OBJECT

 private slots:
  void icoHoldsThirteenImagesEachAsDeclared();
  void icoImagesDecode();
  void desktopSizesArePngsOfTheirSize();
};

void IconTest::icoHoldsThirteenImagesEachAsDeclared() {
  QFile file(kIcons + QStringLiteral("quillmere.ico"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  QCOMPARE(At<quint16>(data, 2), quint16{1});  // an icon, not a cursor
  QCOMPARE(At<quint16>(data, 4), quint16{13});
  for (int i = 0; i < 13; ++i) {
    const Entry& want = kIcoEntries[i];
    const qsizetype dir = 6 + 16 * i;
    const int width = quint8(data[dir]) ? quint8(data[dir]) : 256;
    QCOMPARE(width, want.size);
    QCOMPARE(quint8(data[dir + 2]), quint8(want.bpp == 4 ? 16 : 0));  // colours in the palette
    QCOMPARE(At<quint16>(data, dir + 6), quint16(want.bpp));
    const quint32 length = At<quint32>(data, dir + 8);
    const quint32 offset = At<quint32>(data, dir + 12);
    QVERIFY(offset + length <= quint32(data.size()));
    const QByteArray image = data.mid(offset, length);
    if (want.png) {
      QVERIFY(image.startsWith("\x89PNG\r\n\x1a\n"));
      continue;
    }
    QCOMPARE(At<qint32>(image, 4), want.size);
    QCOMPARE(At<qint32>(image, 8), 2 * want.size);  // colour rows, then the mask
    QCOMPARE(At<quint16>(image, 14), quint16(want.bpp));
    const int row_bytes = (want.size * want.bpp + 31) / 32 * 4;
    const int mask_row_bytes = (want.size + 31) / 32 * 4;
    const int palette = want.bpp <= 8 ? 4 << want.bpp : 0;
    QCOMPARE(int(length), 40 + palette + want.size * (row_bytes + mask_row_bytes));
  }
}

void IconTest::icoImagesDecode() {
  QImageReader reader(kIcons + QStringLiteral("quillmere.ico"));
  if (!QImageReader::supportedImageFormats().contains("ico")) QSKIP("Qt's ico plugin is missing");
  QCOMPARE(reader.imageCount(), 13);
  for (int i = 0; i < 13; ++i) {
    QVERIFY(reader.jumpToImage(i));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(kIcoEntries[i].size, kIcoEntries[i].size));
    // Drawn, not empty: the corner is transparent, the middle is not.
    QCOMPARE(qAlpha(image.convertToFormat(QImage::Format_ARGB32).pixel(0, image.height() - 1)), 0);
    QVERIFY(qAlpha(image.convertToFormat(QImage::Format_ARGB32)
                       .pixel(image.width() / 4, image.height() / 4)) > 0);
  }
}

void IconTest::desktopSizesArePngsOfTheirSize() {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const QString path = kIcons + QStringLiteral("hicolor/%1x%1/apps/quillmere.png").arg(size);
    QImageReader reader(path);
    QCOMPARE(reader.format(), QByteArray("png"));
    QCOMPARE(reader.read().size(), QSize(size, size));
  }
  QVERIFY(QFile::exists(kIcons + QStringLiteral("hicolor/scalable/apps/quillmere.svg")));
}

}  // namespace quillmere

QTEST_MAIN(quillmere::IconTest)
#include "icon_test.moc"
