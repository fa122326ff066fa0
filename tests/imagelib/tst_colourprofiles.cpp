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

namespace {

constexpr quint32 Embedded = 0x4D424544, Linked = 0x4C494E4B, Srgb = 0x73524742, WindowsSpace = 0x57696E20;

// Profiles made by Qt; the colours they should give are worked out here. The swapping one has
// its red primary where sRGB has green and its green where sRGB has red.
QByteArray swappingProfile()
{
    const QPointF white(0.3127, 0.3290), green(0.30, 0.60), red(0.64, 0.33), blue(0.15, 0.06);
    return QColorSpace(white, green, red, blue, QColorSpace::TransferFunction::SRgb).iccProfile();
}
QByteArray gammaProfile() { return QColorSpace(QColorSpace::Primaries::SRgb, 1.8f).iccProfile(); }

int fromGamma(int v)
{
    const double linear = std::pow(v / 255.0, 1.8);
    return int(std::lround(255 * (linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055)));
}

// Every value of each channel once, in 16 x 16 pixels.
QImage ramp()
{
    QImage picture(16, 16, QImage::Format_RGB32);
    for (int i = 0; i < 256; ++i)
        picture.setPixel(i % 16, i / 16, qRgb(i, 255 - i, (i * 37) % 256));
    return picture;
}

// The ramp in a BMP under a 124-byte header, 24 bits a pixel or 8 (its colours the palette).
QByteArray bmpOf(int bits, quint32 colourSpace, const QByteArray &profile, bool profileAfterPixels = true)
{
    const QImage picture = ramp();
    vptest::BmpLayout layout;
    layout.infoBytes = 124;
    layout.width = layout.height = 16;
    layout.bits = bits;
    QList<QList<quint32>> rows(16);
    for (int i = 0; i < 256; ++i) {
        rows[i / 16] << (bits == 8 ? quint32(i) : picture.pixel(i % 16, i / 16) & 0xFFFFFF);
        if (bits == 8)
            layout.palette << picture.pixel(i % 16, i / 16);
    }
    layout.coloursUsed = bits == 8 ? 256 : 0;
    layout.pixels = vptest::packedRows(rows, bits);
    layout.colourSpace = colourSpace;
    layout.profile = profile;
    layout.profileAfterPixels = profileAfterPixels;
    return vptest::bmpFile(layout);
}

QByteArray encodedWith(const QByteArray &profile, const char *format)
{
    QImage picture = ramp();
    picture.setColorSpace(QColorSpace::fromIccProfile(profile));
    return vptest::encoded(picture, format);
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
    // Catches a reader that leaves the profile unread, a conversion the wrong way round, and a
    // picture coming back in another format than its kind of file gives.
    void aProfileConvertsThePictureToSrgb_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("swapping"); // else the gamma profile
        QTest::addColumn<int>("format");
        QTest::newRow("24-bit bmp") << bmpOf(24, Embedded, swappingProfile()) << true << int(QImage::Format_BGR888);
        QTest::newRow("24-bit bmp, profile before the pixels")
            << bmpOf(24, Embedded, gammaProfile(), false) << false << int(QImage::Format_BGR888);
        QTest::newRow("8-bit bmp") << bmpOf(8, Embedded, swappingProfile()) << true << int(QImage::Format_Indexed8);
        QTest::newRow("jpeg") << encodedWith(swappingProfile(), "jpeg") << true << int(QImage::Format_RGB32);
        QTest::newRow("png") << encodedWith(gammaProfile(), "png") << false << int(QImage::Format_RGB32);
    }
    void aProfileConvertsThePictureToSrgb()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, swapping);
        QFETCH(int, format);
        const LoadedPicture loaded = open(bytes);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(int(loaded.picture.format()), format);
        // The JPEG's colours as decoded, before any conversion.
        const QImage stored = format == QImage::Format_RGB32 ? QImage::fromData(bytes) : ramp();
        const int tolerance = swapping ? 0 : 1; // Qt converts gamma curves through tables
        for (int i = 0; i < 256; ++i) {
            const QRgb c = stored.pixel(i % 16, i / 16), got = loaded.picture.pixel(i % 16, i / 16);
            const QRgb want = swapping ? qRgb(qGreen(c), qRed(c), qBlue(c))
                                       : qRgb(fromGamma(qRed(c)), fromGamma(qGreen(c)), fromGamma(qBlue(c)));
            if (std::abs(qRed(got) - qRed(want)) > tolerance || std::abs(qGreen(got) - qGreen(want)) > tolerance
                || std::abs(qBlue(got) - qBlue(want)) > tolerance)
                QFAIL(qPrintable(QStringLiteral("pixel %1: %2, not %3").arg(i).arg(got, 6, 16).arg(want, 6, 16)));
        }
        // The same from memory, as the fuzzer compares them.
        if (const Bmp24Read fromMemory = readBmp24(bytes); !fromMemory.notBmp24)
            QCOMPARE(convertedFromProfile(fromMemory.picture, fromMemory.profile), loaded.picture);
    }

    // Catches a change to the pictures of files without a usable profile (they open exactly as
    // their bytes say), a linked profile followed, and a damaged one stopping the picture or
    // read beyond the file.
    void otherFilesOpenAsTheirBytesSay_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        const QImage bgr = ramp().convertToFormat(QImage::Format_BGR888);
        for (const quint32 space : {Srgb, WindowsSpace, 0u})
            QTest::addRow("24-bit bmp in colour space %x", space) << bmpOf(24, space, {}) << bgr;
        const QString linked = writeFile(dir.filePath(QStringLiteral("swapping.icc")), swappingProfile());
        QTest::newRow("linked profile") << bmpOf(24, Linked, QFile::encodeName(linked) + '\0') << bgr;
        const QByteArray good = bmpOf(24, Embedded, swappingProfile());
        const int offset = 14 + 112, size = 14 + 116;
        QTest::newRow("profile reaching past the end") << patched(good, size, quint32(good.size())) << bgr;
        QTest::newRow("profile wrapping past 4 GB") << patched(patched(good, offset, ~0u - 0xFF), size, 0x200) << bgr;
        QTest::newRow("profile Qt refuses") << bmpOf(24, Embedded, QByteArray(300, '\x7F')) << bgr;
        QTest::newRow("profile cut short") << bmpOf(24, Embedded, swappingProfile().left(200), false) << bgr;

        // Qt gives the PNG a colour space from its gamma, which must not convert it.
        const QByteArray jpeg = vptest::encoded(ramp(), "jpeg");
        QTest::newRow("jpeg") << jpeg << QImage::fromData(jpeg);
        const QByteArray gamma = QByteArray("gAMA") + QByteArray::fromHex("0000d904"); // 1 / 1.8
        const QByteArray crc = QByteArray::number(vptest::pngCrc32(gamma), 16).rightJustified(8, '0');
        const QByteArray chunk = QByteArray("\0\0\0\4", 4) + gamma + QByteArray::fromHex(crc);
        const QByteArray png = vptest::encoded(ramp(), "png").insert(33, chunk);
        QVERIFY(QImage::fromData(png).colorSpace().isValid());
        QTest::newRow("png with a gamma and no profile") << png << QImage::fromData(png);
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
