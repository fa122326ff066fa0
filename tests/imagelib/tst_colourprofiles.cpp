#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"

#include "bmpbuilder.h"
#include "fixture.h"
#include "hostilecorpus.h"
#include "testregistry.h"

#include <QColorSpace>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>

namespace {

constexpr quint32 Embedded = 0x4D424544, Linked = 0x4C494E4B, Srgb = 0x73524742, WindowsSpace = 0x57696E20;
constexpr double Gamma = 1.8;

// Made by Qt, but the expected colours below are worked out here, not by Qt's conversion.
// Its red primary where sRGB has green and its green where sRGB has red: the file's red is
// sRGB's green.
QByteArray swappingProfile()
{
    return QColorSpace(QPointF(0.3127, 0.3290), QPointF(0.30, 0.60), QPointF(0.64, 0.33), QPointF(0.15, 0.06),
                       QColorSpace::TransferFunction::SRgb)
        .iccProfile();
}
QRgb swapped(QRgb c) { return qRgba(qGreen(c), qRed(c), qBlue(c), qAlpha(c)); }

// sRGB's primaries with a plain gamma of 1.8.
QByteArray gammaProfile() { return QColorSpace(QColorSpace::Primaries::SRgb, float(Gamma)).iccProfile(); }
QRgb fromGamma(QRgb c)
{
    const auto channel = [](int v) {
        const double linear = std::pow(v / 255.0, Gamma);
        const double srgb = linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
        return int(std::lround(255 * srgb));
    };
    return qRgba(channel(qRed(c)), channel(qGreen(c)), channel(qBlue(c)), qAlpha(c));
}

// Every value of each channel, once: 16 x 16 pixels.
QImage ramp()
{
    QImage picture(16, 16, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i)
        picture.setPixel(i % 16, i / 16, qRgb(i, 255 - i, (i * 37) % 256));
    return picture;
}

QByteArray withProfile(QImage picture, const QByteArray &profile, const char *format)
{
    picture.setColorSpace(QColorSpace::fromIccProfile(profile));
    return vptest::encoded(picture, format);
}

// A BMP of the picture under a 124-byte header: 24 bits a pixel, 32 with an alpha that varies,
// or 8 (the picture's 256 colours as the palette).
QByteArray bmpOf(const QImage &picture, int bits, quint32 colourSpace, const QByteArray &profile, bool profileAfterPixels)
{
    vptest::BmpLayout layout;
    layout.infoBytes = 124;
    layout.width = picture.width();
    layout.height = picture.height();
    layout.bits = bits;
    layout.colourSpace = colourSpace;
    layout.profile = profile;
    layout.profileAfterPixels = profileAfterPixels;
    QList<QList<quint32>> rows;
    for (int y = 0; y < picture.height(); ++y) {
        rows.append(QList<quint32>());
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb c = picture.pixel(x, y);
            rows.back() << (bits == 8 ? quint32(y * 16 + x) : bits == 32 ? c : c & 0xFFFFFF);
            if (bits == 8)
                layout.palette << c;
        }
    }
    if (bits == 8)
        layout.coloursUsed = 256;
    if (bits == 32) {
        layout.compression = 3;
        layout.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    }
    layout.pixels = vptest::packedRows(rows, bits);
    return vptest::bmpFile(layout);
}

QImage withAlpha(QImage picture)
{
    picture = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, (picture.pixel(x, y) & 0xFFFFFF) | quint32(128 + x * 8) << 24);
    return picture;
}

// The ramp as palette indices in the order of its pixels.
QImage indexed(const QImage &ramp)
{
    QImage picture(ramp.size(), QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (int i = 0; i < 256; ++i) {
        colours << ramp.pixel(i % 16, i / 16);
        picture.scanLine(i / 16)[i % 16] = uchar(i);
    }
    picture.setColorTable(colours);
    return picture;
}

QByteArray patched(QByteArray bytes, int at, quint32 value)
{
    vptest::bmpbytes::put32(bytes, at, value);
    return bytes;
}

} // namespace

class TestColourProfiles : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    LoadedPicture open(const QByteArray &bytes)
    {
        return loadPicture(writeFile(dir.filePath(QString::number(++files)), bytes));
    }

private slots:
    // Catches a profile left unread by a reader or applied the wrong way round, and a picture
    // that comes back in another format than its kind of file always gives.
    void aProfileConvertsThePictureToSrgb_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("stored"); // the colours as the file holds them
        QTest::addColumn<bool>("swapping");
        QTest::addColumn<int>("format");
        const QImage picture = ramp();
        const QByteArray swap = swappingProfile(), gamma = gammaProfile();
        QTest::newRow("24-bit bmp, profile after the pixels")
            << bmpOf(picture, 24, Embedded, swap, true) << picture << true << int(QImage::Format_BGR888);
        QTest::newRow("24-bit bmp, gamma profile before the pixels")
            << bmpOf(picture, 24, Embedded, gamma, false) << picture << false << int(QImage::Format_BGR888);
        QTest::newRow("8-bit bmp") << bmpOf(picture, 8, Embedded, swap, true) << picture << true << int(QImage::Format_Indexed8);
        QTest::newRow("32-bit bmp with alpha") << bmpOf(withAlpha(picture), 32, Embedded, gamma, true) << withAlpha(picture)
                                               << false << int(QImage::Format_ARGB32);
        for (const bool swapping : {true, false}) {
            const QByteArray jpeg = withProfile(picture, swapping ? swap : gamma, "jpeg");
            QTest::addRow("jpeg, %s", swapping ? "channels swapped" : "gamma")
                << jpeg << QImage::fromData(jpeg).convertToFormat(QImage::Format_RGB32) << swapping << int(QImage::Format_RGB32);
        }
        QTest::newRow("png") << withProfile(picture, gamma, "png") << picture << false << int(QImage::Format_RGB32);
        vptest::BmpLayout holdingPng;
        holdingPng.infoBytes = 124;
        holdingPng.width = holdingPng.height = 16;
        holdingPng.compression = 5;
        holdingPng.pixels = vptest::encoded(picture, "png");
        holdingPng.colourSpace = Embedded;
        holdingPng.profile = swap;
        QTest::newRow("bmp holding a png, the profile in the bmp's header")
            << vptest::bmpFile(holdingPng) << picture << true << int(QImage::Format_RGB32);
    }
    void aProfileConvertsThePictureToSrgb()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, stored);
        QFETCH(bool, swapping);
        QFETCH(int, format);
        const LoadedPicture loaded = open(bytes);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(int(loaded.picture.format()), format);
        QVERIFY(!loaded.picture.colorSpace().isValid());
        // Qt converts gamma curves through tables: a step of rounding either way.
        const int tolerance = swapping ? 0 : 1;
        for (int y = 0; y < stored.height(); ++y)
            for (int x = 0; x < stored.width(); ++x) {
                const QRgb want = swapping ? swapped(stored.pixel(x, y)) : fromGamma(stored.pixel(x, y));
                const QRgb got = loaded.picture.pixel(x, y);
                if (std::abs(qRed(got) - qRed(want)) > tolerance || std::abs(qGreen(got) - qGreen(want)) > tolerance
                    || std::abs(qBlue(got) - qBlue(want)) > tolerance || qAlpha(got) != qAlpha(want))
                    QFAIL(qPrintable(QStringLiteral("(%1, %2): %3, not %4").arg(x).arg(y).arg(got, 8, 16).arg(want, 8, 16)));
            }
        // The same from memory: what the fuzzer compares.
        const Bmp24Read fromMemory = readBmp24(bytes);
        if (!fromMemory.notBmp24)
            QCOMPARE(convertedFromProfile(fromMemory.picture, fromMemory.profile), loaded.picture);
    }

    // Catches a change to the pictures of files without a usable profile: they open exactly
    // as their bytes say, and a damaged profile neither stops them opening nor is read past
    // the end of the file.
    void otherFilesOpenAsTheirBytesSay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        const QImage picture = ramp();
        const QImage bgr = picture.convertToFormat(QImage::Format_BGR888);
        const QByteArray swap = swappingProfile();
        for (const quint32 space : {Srgb, WindowsSpace, 0u})
            QTest::addRow("24-bit bmp in colour space %x", space) << bmpOf(picture, 24, space, {}, false) << bgr;
        // Were the name followed, the channels would swap.
        const QString linkedFile = writeFile(dir.filePath(QStringLiteral("swapping.icc")), swap);
        QTest::newRow("24-bit bmp linking to a profile")
            << bmpOf(picture, 24, Linked, QFile::encodeName(linkedFile) + '\0', true) << bgr;

        const QByteArray good = bmpOf(picture, 24, Embedded, swap, true);
        const int offsetField = 14 + 112, sizeField = 14 + 116;
        QTest::newRow("profile reaching past the end") << patched(good, sizeField, quint32(swap.size() + 1)) << bgr;
        QTest::newRow("profile starting past the end") << patched(good, offsetField, quint32(good.size())) << bgr;
        QTest::newRow("profile wrapping past 4 GB")
            << patched(patched(good, offsetField, 0xFFFFFF00u), sizeField, 0x200u) << bgr;
        QTest::newRow("profile of no bytes") << patched(good, sizeField, 0) << bgr;
        QTest::newRow("profile Qt refuses") << bmpOf(picture, 24, Embedded, QByteArray(300, '\x7F'), true) << bgr;
        QTest::newRow("profile cut short") << bmpOf(picture, 24, Embedded, swap.left(swap.size() / 2), false) << bgr;
        QTest::newRow("8-bit bmp, profile past the end")
            << patched(bmpOf(picture, 8, Embedded, swap, true), sizeField, 1u << 30) << indexed(picture);

        // Qt gives both a colour space of their own, which must not convert them.
        const QByteArray jpeg = vptest::encoded(picture, "jpeg");
        QTest::newRow("jpeg") << jpeg << QImage::fromData(jpeg);
        const QByteArray gamma = QByteArray("gAMA") + QByteArray::fromHex("0000d904"); // 1 / 1.8
        const quint32 crc = vptest::pngCrc32(gamma);
        QByteArray gammaOnly = vptest::encoded(picture, "png");
        gammaOnly.insert(33, QByteArray::fromHex("00000004") + gamma + QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(8, '0')));
        QVERIFY(QImage::fromData(gammaOnly).colorSpace().isValid());
        QTest::newRow("png with a gamma and no profile") << gammaOnly << QImage::fromData(gammaOnly);
    }
    void otherFilesOpenAsTheirBytesSay()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        const LoadedPicture loaded = open(bytes);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture, expected);
    }
};

VP_TEST(TestColourProfiles)
#include "tst_colourprofiles.moc"
