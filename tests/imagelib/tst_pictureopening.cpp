#include "imagelib/picturefiles.h"

#include "bmpbuilder.h"
#include "fixture.h"
#include "testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

namespace {

QImage gradient(QSize size)
{
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 255 / size.width(), y * 255 / size.height(), (x * y) % 256));
    return picture;
}

QByteArray jpegOf(const QImage &picture, bool progressive, int quality = 90)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(picture))
        qFatal("cannot encode a JPEG");
    return bytes;
}

// Where each scan header (SOS marker) starts.
QList<qsizetype> scanStarts(const QByteArray &jpeg)
{
    QList<qsizetype> starts;
    for (qsizetype i = 2; i + 1 < jpeg.size(); ++i)
        if (uchar(jpeg[i]) == 0xFF && uchar(jpeg[i + 1]) == 0xDA)
            starts << i;
    return starts;
}

// An APP1 segment of EXIF data holding only an orientation.
QByteArray exifOrientation(int orientation)
{
    QByteArray tiff = QByteArray::fromHex("49492a0008000000" "0100" "1201" "0300" "01000000");
    tiff += char(orientation);
    tiff += QByteArray::fromHex("000000" "00000000");
    const QByteArray payload = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment = QByteArray::fromHex("ffe1");
    segment += char((payload.size() + 2) >> 8);
    segment += char((payload.size() + 2) & 0xFF);
    return segment + payload;
}

// The upright picture for an EXIF orientation, from the picture as stored.
QImage upright(const QImage &stored, int orientation)
{
    const int w = stored.width(), h = stored.height();
    const bool turned = orientation >= 5;
    QImage out(turned ? QSize(h, w) : QSize(w, h), QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x) {
            QPoint from;
            switch (orientation) {
            case 1: from = {x, y}; break;
            case 2: from = {w - 1 - x, y}; break;            // mirrored left to right
            case 3: from = {w - 1 - x, h - 1 - y}; break;    // upside down
            case 4: from = {x, h - 1 - y}; break;            // mirrored top to bottom
            case 5: from = {y, x}; break;                    // mirrored along the main diagonal
            case 6: from = {y, h - 1 - x}; break;            // to be turned a quarter clockwise
            case 7: from = {w - 1 - y, h - 1 - x}; break;    // mirrored along the other diagonal
            default: from = {w - 1 - y, x}; break;           // 8: a quarter anticlockwise
            }
            out.setPixel(x, y, stored.pixel(from));
        }
    return out;
}

QString colourText(QRgb c)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c));
}

} // namespace

class TestPictureOpening : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    LoadedPicture open(const QByteArray &bytes, const char *suffix = "jpg")
    {
        const QString path = dir.filePath(QStringLiteral("opening-%1.%2").arg(++files).arg(QLatin1String(suffix)));
        return loadPicture(writeFile(path, bytes));
    }

private slots:
    void jpegWithoutItsEndMarkerOpensWhole_data()
    {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::newRow("sequential") << jpegOf(gradient(QSize(64, 48)), false);
        QTest::newRow("sequential, partial blocks at the edges") << jpegOf(gradient(QSize(37, 23)), false);
        QTest::newRow("greyscale") << jpegOf(gradient(QSize(40, 40)).convertToFormat(QImage::Format_Grayscale8), false);
        QTest::newRow("progressive") << jpegOf(gradient(QSize(64, 48)), true);
        QTest::newRow("noise") << jpegOf(noisePicture(QSize(50, 30), QImage::Format_RGB32), false);
    }
    void jpegWithoutItsEndMarkerOpensWhole()
    {
        QFETCH(QByteArray, jpeg);
        QVERIFY(jpeg.endsWith(QByteArray::fromHex("ffd9")));
        const LoadedPicture loaded = open(jpeg.chopped(2));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture, QImage::fromData(jpeg, "jpeg"));
    }

    void jpegCutOffInsideItsDataIsRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray sequential = jpegOf(noisePicture(QSize(64, 48), QImage::Format_RGB32), false);
        const qsizetype scan = scanStarts(sequential).front();
        QTest::newRow("sequential, 12 bytes before its end") << sequential.left(sequential.size() - 12);
        QTest::newRow("sequential, in the middle of its scan") << sequential.left((scan + sequential.size()) / 2);
        QTest::newRow("sequential, inside its scan header") << sequential.left(scan + 5);
        QTest::newRow("sequential, right after its scan header") << sequential.left(scan + 14);
        const QByteArray progressive = jpegOf(noisePicture(QSize(64, 48), QImage::Format_RGB32), true);
        const QList<qsizetype> scans = scanStarts(progressive);
        QVERIFY(scans.size() > 3);
        QTest::newRow("progressive, between two scans") << progressive.left(scans.back());
        QTest::newRow("progressive, after its first scan") << progressive.left(scans[1]);
        QTest::newRow("progressive, inside its last scan") << progressive.left((scans.back() + progressive.size()) / 2);
        QTest::newRow("progressive, inside its first scan") << progressive.left((scans[0] + scans[1]) / 2);
    }
    void jpegCutOffInsideItsDataIsRefused()
    {
        QFETCH(QByteArray, bytes);
        const LoadedPicture loaded = open(bytes);
        QVERIFY(!loaded.ok());
        QCOMPARE(loaded.error, PictureFileErrors::damaged());
    }

    void photosOpenTheRightWayUp_data()
    {
        QTest::addColumn<int>("orientation");
        for (int orientation = 1; orientation <= 8; ++orientation)
            QTest::addRow("EXIF orientation %d", orientation) << orientation;
    }
    void photosOpenTheRightWayUp()
    {
        QFETCH(int, orientation);
        const QByteArray plain = jpegOf(gradient(QSize(40, 24)), false);
        const QByteArray tagged = plain.left(2) + exifOrientation(orientation) + plain.mid(2);
        const LoadedPicture loaded = open(tagged);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        const QImage expected = upright(QImage::fromData(plain, "jpeg").convertToFormat(QImage::Format_RGB32), orientation);
        QCOMPARE(loaded.picture.convertToFormat(QImage::Format_RGB32), expected);
    }

    void longPanoramasOpenWithinTheAreaLimit_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("size");
        QImage panorama(QSize(20000, 1000), QImage::Format_RGB32);
        panorama.fill(qRgb(90, 140, 200));
        QTest::newRow("jpeg, 20000 x 1000") << jpegOf(panorama, false, 50) << QSize(20000, 1000);
        vptest::BmpLayout bmp;
        bmp.width = 32767;
        bmp.height = 2;
        bmp.pixels = vptest::packedRows({QList<quint32>(32767, 0x123456), QList<quint32>(32767, 0x654321)}, 24);
        QTest::newRow("24-bit bmp, 32767 x 2") << vptest::bmpFile(bmp) << QSize(32767, 2);
        bmp.height = -2;
        bmp.bits = 8;
        bmp.palette = {qRgb(1, 2, 3)};
        bmp.coloursUsed = 1;
        bmp.pixels = QByteArray(2 * 32768, '\0');
        QTest::newRow("8-bit bmp, 2 x 32767 top down") << vptest::bmpFile(bmp) << QSize(32767, 2);
    }
    void longPanoramasOpenWithinTheAreaLimit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, size);
        const LoadedPicture loaded = open(bytes);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.size(), size);
    }

    void picturesBeyondTheLimitsAreRefusedBeforeDecoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        vptest::BmpLayout bmp;
        bmp.width = 32768;
        bmp.height = 1;
        bmp.pixels = QByteArray(3 * 32768, '\0');
        QTest::newRow("24-bit bmp, 32768 wide") << vptest::bmpFile(bmp);
        QByteArray jpeg = jpegOf(gradient(QSize(16, 16)), false);
        const qsizetype frame = jpeg.indexOf(QByteArray::fromHex("ffc0"));
        QTest::newRow("jpeg declaring 32768 x 16") << QByteArray(jpeg).replace(frame + 5, 4, QByteArray::fromHex("00108000"));
        QTest::newRow("jpeg declaring 20000 x 13422") << QByteArray(jpeg).replace(frame + 5, 4, QByteArray::fromHex("346e4e20"));
    }
    void picturesBeyondTheLimitsAreRefusedBeforeDecoding()
    {
        QFETCH(QByteArray, bytes);
        QCOMPARE(open(bytes).error, PictureFileErrors::tooLarge());
        QVERIFY(PictureFileErrors::tooLarge().contains(QStringLiteral("32767 pixels a side")));
    }

    void transparentPixelsAreBlendedOverTheBackground_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::addColumn<QList<QRgb>>("expected"); // a row's pixels, repeated down the picture
        // Over (10, 200, 40), each channel (s a + b (255 - a)) / 255 rounded to the nearest.
        const QList<QRgb> colours{qRgba(200, 100, 0, 128), qRgba(1, 2, 3, 0), qRgba(250, 251, 252, 255), qRgba(0, 0, 0, 1)};
        const QList<QRgb> blended{qRgb(105, 150, 20), qRgb(10, 200, 40), qRgb(250, 251, 252), qRgb(10, 199, 40)};
        QImage argb(4, 3, QImage::Format_ARGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                argb.setPixel(x, y, colours[x]);
        QTest::newRow("32-bit with alpha") << argb << blended;
        QImage indexed(4, 2, QImage::Format_Indexed8);
        indexed.setColorTable(colours);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                indexed.setPixel(x, y, uint(x));
        QTest::newRow("palette with transparent colours") << indexed << blended;
        // Taller than the band the converter works in: every band in its place.
        QImage tall(300, 3000, QImage::Format_Indexed8);
        tall.setColorTable(colours);
        for (int y = 0; y < 3000; ++y)
            std::memset(tall.scanLine(y), y % 4, 300);
        QTest::newRow("palette, many bands") << tall << blended;
    }
    void transparentPixelsAreBlendedOverTheBackground()
    {
        QFETCH(QImage, picture);
        QFETCH(QList<QRgb>, expected);
        const QImage flat = flattenedOver(picture, makeColour(10, 200, 40));
        QCOMPARE(flat.format(), QImage::Format_BGR888);
        QCOMPARE(flat.size(), picture.size());
        const bool tall = picture.height() > 100;
        for (int y = 0; y < flat.height(); ++y)
            for (int x = 0; x < flat.width(); x += tall ? 97 : 1) {
                const int which = tall ? y % 4 : x;
                if (flat.pixel(x, y) != expected[which])
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, not %4")
                                         .arg(x).arg(y).arg(colourText(flat.pixel(x, y)), colourText(expected[which]))));
            }
    }

    void opaquePicturesStayAsTheyAre_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("24-bit") << noisePicture(QSize(5, 3));
        QTest::newRow("32-bit without alpha") << noisePicture(QSize(5, 3), QImage::Format_RGB32);
        QTest::newRow("palette") << noisePicture(QSize(5, 3), QImage::Format_Indexed8);
        QTest::newRow("null") << QImage();
    }
    void opaquePicturesStayAsTheyAre()
    {
        QFETCH(QImage, picture);
        const QImage flat = flattenedOver(picture, makeColour(10, 200, 40));
        QCOMPARE(flat.cacheKey(), picture.cacheKey());
    }
};
VP_TEST(TestPictureOpening)
#include "tst_pictureopening.moc"
