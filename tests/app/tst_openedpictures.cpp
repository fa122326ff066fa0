#include "document/documentwindow.h"
#include "document/history.h"
#include "document/picturemodel.h"
#include "imagelib/picturefiles.h"
#include "document/tempfile.h"

#include "bmpbuilder.h"
#include "fixture.h"
#include "hostilecorpus.h"
#include "testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QPainter>
#include <QTest>

namespace {

// Not black, so that a transparent pixel shown as black, or as the colour hidden under it,
// cannot pass for right.
constexpr Colour Background = makeColour(10, 200, 40);
const QRgb BackgroundRgb = qRgb(10, 200, 40);

QByteArray jpegOf(const QImage &picture, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(picture))
        qFatal("cannot encode a JPEG");
    return bytes;
}

// A 60 x 60 icon: a red disc and a blue bar on green, and green declared transparent.
void transparentGif(QByteArray &gif, QImage &expected)
{
    QImage icon(60, 60, QImage::Format_RGB32);
    icon.fill(qRgb(0, 255, 0));
    QPainter painter(&icon);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 0, 0));
    painter.drawEllipse(QPoint(30, 30), 20, 20);
    painter.fillRect(QRect(5, 50, 50, 6), QColor(0, 0, 255));
    painter.end();
    gif = vptest::gifOf(icon);
    int transparent = -1;
    for (int i = 0; i < 256 && transparent < 0; ++i)
        if (gif.mid(13 + 3 * i, 3) == QByteArray::fromHex("00ff00"))
            transparent = i;
    if (transparent < 0)
        qFatal("no green in the GIF's colours");
    const QByteArray control = QByteArray::fromHex("21f904010000") + char(transparent) + '\0';
    gif.insert(13 + 768, control); // before the image, after the colour table
    expected = icon;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x)
            if (icon.pixel(x, y) == qRgb(0, 255, 0))
                expected.setPixel(x, y, BackgroundRgb);
}

QByteArray exifOrientation6()
{
    const QByteArray payload = QByteArray("Exif\0\0", 6)
                               + QByteArray::fromHex("49492a0008000000" "0100" "12010300010000000600" "0000" "00000000");
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment += char((payload.size() + 2) >> 8);
    segment += char((payload.size() + 2) & 0xFF);
    return segment + payload;
}

QImage gradient(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), 90));
    return picture;
}

// The first pixel where two pictures differ, or "" when they hold the same colours.
QString difference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size())
        return QStringLiteral("%1 x %2 instead of %3 x %4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    const QImage a = actual.convertToFormat(QImage::Format_BGR888);
    const QImage e = expected.convertToFormat(QImage::Format_BGR888);
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), e.constScanLine(y), size_t(a.width()) * 3) != 0)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != e.pixel(x, y))
                    return QStringLiteral("pixel (%1, %2) is %3 instead of %4")
                        .arg(x).arg(y).arg(a.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0')).arg(e.pixel(x, y) & 0xFFFFFF, 6, 16, QLatin1Char('0'));
    return {};
}

} // namespace

class TestOpenedPictures : public QObject {
    Q_OBJECT
private slots:
    // One picture everywhere: what the canvas shows, what the temp file holds, what the history
    // records and what Save As writes are the file's picture over the canvas's background.
    void theScreenTheTempFileTheHistoryAndTheSavedFileAgree_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");

        QByteArray gif;
        QImage icon;
        transparentGif(gif, icon);
        QTest::newRow("gif with a transparent colour") << "icon.gif" << gif << icon;

        vptest::BmpLayout alpha;
        alpha.infoBytes = 124;
        alpha.bits = 32;
        alpha.compression = 3;
        alpha.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
        alpha.width = 4;
        alpha.height = 1;
        alpha.pixels = vptest::packedRows({{0x80C86400, 0x00010203, 0xFFFAFBFC, 0x01000000}}, 32);
        QImage blended(4, 1, QImage::Format_RGB32);
        const QList<QRgb> blends{qRgb(105, 150, 20), BackgroundRgb, qRgb(250, 251, 252), qRgb(10, 199, 40)};
        for (int x = 0; x < 4; ++x)
            blended.setPixel(x, 0, blends[x]);
        QTest::newRow("32-bit bmp with alpha") << "alpha.bmp" << vptest::bmpFile(alpha) << blended;

        vptest::BmpLayout rle;
        rle.width = 6;
        rle.height = 4;
        rle.bits = 8;
        rle.compression = 1;
        const QList<QRgb> palette{qRgb(9, 8, 7), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        rle.palette = palette;
        rle.coloursUsed = 4;
        rle.pixels = QByteArray::fromHex("0301" "00020201" "0102" "0000" "0003030201" "00" "0001");
        const int indices[4][6] = {{0, 0, 0, 0, 0, 0}, {3, 2, 1, 0, 0, 0}, {0, 0, 0, 0, 0, 2}, {1, 1, 1, 0, 0, 0}};
        QImage skipped(6, 4, QImage::Format_RGB32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                skipped.setPixel(x, y, palette[indices[y][x]]);
        QTest::newRow("run-length bmp with skips and an early end") << "skips.bmp" << vptest::bmpFile(rle) << skipped;

        vptest::BmpLayout sixteen;
        sixteen.bits = 16;
        sixteen.compression = 3;
        sixteen.masks = {0xF800, 0x07E0, 0x001F};
        sixteen.width = 3;
        sixteen.height = 1;
        sixteen.pixels = vptest::packedRows({{0xFFFF, 0x0400, 0x8010}}, 16);
        QImage widened(3, 1, QImage::Format_RGB32);
        widened.setPixel(0, 0, qRgb(255, 255, 255));
        widened.setPixel(1, 0, qRgb(0, 130, 0));
        widened.setPixel(2, 0, qRgb(132, 0, 132));
        QTest::newRow("16-bit bmp 5-6-5") << "565.bmp" << vptest::bmpFile(sixteen) << widened;

        vptest::BmpLayout twoBits;
        twoBits.bits = 2;
        twoBits.width = 5;
        twoBits.height = 1;
        twoBits.palette = {qRgb(1, 1, 1), qRgb(80, 0, 0), qRgb(0, 160, 0), qRgb(0, 0, 240)};
        twoBits.pixels = vptest::packedRows({{0, 1, 2, 3, 2}}, 2);
        QImage four(5, 1, QImage::Format_RGB32);
        for (int x = 0; x < 5; ++x)
            four.setPixel(x, 0, twoBits.palette[QList<int>{0, 1, 2, 3, 2}[x]]);
        QTest::newRow("2-bit bmp") << "two.bmp" << vptest::bmpFile(twoBits) << four;

        const QByteArray plain = jpegOf(gradient(QSize(40, 24)));
        const QImage stored = QImage::fromData(plain, "jpeg");
        QTest::newRow("jpeg of a camera held on its side")
            << "photo.jpg" << plain.left(2) + exifOrientation6() + plain.mid(2)
            << stored.transformed(QTransform().rotate(90));
        QTest::newRow("jpeg without its end marker") << "unended.jpg" << plain.chopped(2) << stored;

        QImage panorama(20000, 1000, QImage::Format_RGB32);
        panorama.fill(qRgb(200, 120, 60));
        const QByteArray wide = jpegOf(panorama, 50);
        QTest::newRow("jpeg panorama of 20000 x 1000") << "wide.jpg" << wide << QImage::fromData(wide, "jpeg");
    }
    void theScreenTheTempFileTheHistoryAndTheSavedFileAgree()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        Program program;
        Document *form = program.active();
        form->canvas().setBackgroundColour(Background);
        const QString path = program.folder.filePath(name);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        program.prompts->files = {path};
        program.window->open();
        if (const auto *message = program.prompts->last(QStringLiteral("message")))
            QFAIL(qPrintable(message->text));
        QCOMPARE(form->caption(), name);

        QCOMPARE(difference(form->canvas().image(), expected), QString());
        QVERIFY(program.tempFile().finishWriting().isEmpty());
        const LoadedPicture temp = loadPicture(program.tempPath());
        QVERIFY2(temp.ok(), qPrintable(temp.error));
        QCOMPARE(difference(temp.picture, expected), QString());
        QCOMPARE(difference(form->history().undoList.back()->picture, expected), QString());
        const QString saved = program.folder.filePath(QStringLiteral("saved.bmp"));
        program.prompts->files = {saved};
        QVERIFY(program.window->saveAs());
        const LoadedPicture reread = loadPicture(saved);
        QVERIFY2(reread.ok(), qPrintable(reread.error));
        QCOMPARE(difference(reread.picture, expected), QString());
    }
};
VP_TEST(TestOpenedPictures)
#include "tst_openedpictures.moc"
