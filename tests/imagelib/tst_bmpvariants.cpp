#include "imagelib/bmpvariants.h"
#include "imagelib/picturefiles.h"

#include "bmpbuilder.h"
#include "fixture.h"
#include "hostilecorpus.h"
#include "testregistry.h"

#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <vector>

Q_DECLARE_METATYPE(vptest::BmpLayout)

using vptest::BmpLayout;
using vptest::bmpFile;
using vptest::packedRows;

namespace {

QList<QRgb> somePalette(int count)
{
    QList<QRgb> palette;
    for (int i = 0; i < count; ++i)
        palette << qRgb((i * 7 + 9) % 256, (i * 13 + 50) % 256, 255 - i % 256);
    return palette;
}

// Indices of a small picture, top row first, cycling through `colours`.
QList<QList<quint32>> indexGrid(int width, int height, int colours)
{
    QList<QList<quint32>> rows;
    for (int y = 0; y < height; ++y) {
        rows.append(QList<quint32>());
        for (int x = 0; x < width; ++x)
            rows.back() << quint32((x + 2 * y) % colours);
    }
    return rows;
}

// Malloc hands freed blocks out again: filling a few blocks of the picture's size and freeing
// them makes a reader that leaves pixels unwritten show it, rather than luck into zeros.
void dirtyTheHeap(qsizetype bytes)
{
    std::vector<std::vector<uchar>> blocks;
    for (int i = 0; i < 8; ++i)
        blocks.emplace_back(size_t(bytes) + size_t(i) * 16, uchar(0x77));
}

QString rgba(QRgb c)
{
    return QStringLiteral("(%1, %2, %3, %4)").arg(qRed(c)).arg(qGreen(c)).arg(qBlue(c)).arg(qAlpha(c));
}

} // namespace

class TestBmpVariants : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    LoadedPicture open(const QByteArray &bytes)
    {
        const QString path = dir.filePath(QStringLiteral("variant-%1.bmp").arg(++files));
        return loadPicture(writeFile(path, bytes));
    }

private slots:
    void channelsWidenByRepeatingTheirHighBits_data()
    {
        QTest::addColumn<quint32>("value");
        QTest::addColumn<int>("bits");
        QTest::addColumn<int>("expected");
        // Shifting alone would give 248, 132 would be 128 and so on: white would not be white.
        QTest::newRow("5 bits: the largest is 255") << 31u << 5 << 255;
        QTest::newRow("5 bits: 16 is 132") << 16u << 5 << 132;
        QTest::newRow("6 bits: the largest is 255") << 63u << 6 << 255;
        QTest::newRow("6 bits: 32 is 130") << 32u << 6 << 130;
        QTest::newRow("1 bit: 1 is 255") << 1u << 1 << 255;
        QTest::newRow("2 bits: 2 is 170") << 2u << 2 << 170;
        QTest::newRow("3 bits: 5 is 182") << 5u << 3 << 182;
        QTest::newRow("4 bits: 9 is 153") << 9u << 4 << 153;
        QTest::newRow("7 bits: 1 is 2") << 1u << 7 << 2;
        QTest::newRow("8 bits as they are") << 77u << 8 << 77;
        QTest::newRow("10 bits keep their top 8") << 0x201u << 10 << 128;
        QTest::newRow("11 bits: the largest is 255") << 0x7FFu << 11 << 255;
        QTest::newRow("32 bits keep their top 8") << 0xA5FFFFFFu << 32 << 0xA5;
    }
    void channelsWidenByRepeatingTheirHighBits()
    {
        QFETCH(quint32, value);
        QFETCH(int, bits);
        QFETCH(int, expected);
        QCOMPARE(channelTo8Bits(value, bits), expected);
    }

    void maskedPixelsReadAsTheirMasksSay_data()
    {
        QTest::addColumn<int>("infoBytes");
        QTest::addColumn<int>("bits");
        QTest::addColumn<quint32>("compression");
        QTest::addColumn<QList<quint32>>("masks");
        QTest::addColumn<QList<quint32>>("pixels");
        QTest::addColumn<QList<QRgb>>("expected");
        const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
        QTest::newRow("16-bit 5-5-5 without masks")
            << 40 << 16 << 0u << QList<quint32>{} << QList<quint32>{0x7FFF, 0x0000, 0x7C00, 0x03E0, 0x001F, 0x4210, 0x8000}
            << QList<QRgb>{white, black, qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(132, 132, 132), black};
        QTest::newRow("16-bit 5-6-5")
            << 40 << 16 << 3u << QList<quint32>{0xF800, 0x07E0, 0x001F} << QList<quint32>{0xFFFF, 0x0400, 0x8000, 0x0010}
            << QList<QRgb>{white, qRgb(0, 130, 0), qRgb(132, 0, 0), qRgb(0, 0, 132)};
        QTest::newRow("16-bit 5-5-5 with its masks in a 52-byte header")
            << 52 << 16 << 3u << QList<quint32>{0x7C00, 0x03E0, 0x001F} << QList<quint32>{0x7FFF, 0x0210}
            << QList<QRgb>{white, qRgb(0, 132, 132)};
        QTest::newRow("16-bit 2-3-1 in the low bits")
            << 40 << 16 << 3u << QList<quint32>{0x0030, 0x000E, 0x0001} << QList<quint32>{0x003F, 0x0020, 0x0008, 0x0001}
            << QList<QRgb>{white, qRgb(170, 0, 0), qRgb(0, 146, 0), qRgb(0, 0, 255)};
        QTest::newRow("16-bit 3-10-3")
            << 40 << 16 << 3u << QList<quint32>{0xE000, 0x1FF8, 0x0007} << QList<quint32>{0xFFFF, 0x8000, 0x1000, 0x0003}
            << QList<QRgb>{white, qRgb(146, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 109)};
        QTest::newRow("32-bit 11-11-10")
            << 40 << 32 << 3u << QList<quint32>{0xFFE00000, 0x001FFC00, 0x000003FF}
            << QList<quint32>{0xFFFFFFFF, 0x80000000, 0x00100000, 0x00000155}
            << QList<QRgb>{white, qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(0, 0, 85)};
        QTest::newRow("32-bit 7-1-8 in the low bits")
            << 40 << 32 << 3u << QList<quint32>{0x0000007F, 0x00000080, 0x0000FF00} << QList<quint32>{0x0000A5C1}
            << QList<QRgb>{qRgb(131, 255, 165)};
        QTest::newRow("32-bit without masks ignores its fourth byte")
            << 40 << 32 << 0u << QList<quint32>{} << QList<quint32>{0x7F102030, 0x00FFFFFF}
            << QList<QRgb>{qRgb(0x10, 0x20, 0x30), white};
        QTest::newRow("32-bit without compression ignores the alpha mask of a V5 header")
            << 124 << 32 << 0u << QList<quint32>{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}
            << QList<quint32>{0x00112233} << QList<QRgb>{qRgb(0x11, 0x22, 0x33)};
        QTest::newRow("32-bit 8-8-8-8 in a V5 header")
            << 124 << 32 << 3u << QList<quint32>{0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}
            << QList<quint32>{0x80FF8000, 0xFF0000FF, 0x00123456}
            << QList<QRgb>{qRgba(255, 128, 0, 128), qRgba(0, 0, 255, 255), qRgba(0x12, 0x34, 0x56, 0)};
        QTest::newRow("32-bit 10-10-10-2 after a 40-byte header")
            << 40 << 32 << 6u << QList<quint32>{0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}
            << QList<quint32>{0xFFFFFFFF, 0xA0000000, 0x400FFC00, 0x00000000}
            << QList<QRgb>{qRgba(255, 255, 255, 255), qRgba(128, 0, 0, 170), qRgba(0, 255, 0, 85), qRgba(0, 0, 0, 0)};
        QTest::newRow("16-bit 5-5-5-1 in a V5 header")
            << 124 << 16 << 3u << QList<quint32>{0x7C00, 0x03E0, 0x001F, 0x8000} << QList<quint32>{0xFC00, 0x7C00, 0x8010}
            << QList<QRgb>{qRgba(255, 0, 0, 255), qRgba(255, 0, 0, 0), qRgba(0, 0, 132, 255)};
        QTest::newRow("16-bit 4-4-4-4 in a 56-byte header")
            << 56 << 16 << 3u << QList<quint32>{0x0F00, 0x00F0, 0x000F, 0xF000} << QList<quint32>{0xF84C, 0x7000}
            << QList<QRgb>{qRgba(136, 68, 204, 255), qRgba(0, 0, 0, 119)};
    }
    void maskedPixelsReadAsTheirMasksSay()
    {
        QFETCH(int, infoBytes);
        QFETCH(int, bits);
        QFETCH(quint32, compression);
        QFETCH(QList<quint32>, masks);
        QFETCH(QList<quint32>, pixels);
        QFETCH(QList<QRgb>, expected);
        BmpLayout layout;
        layout.infoBytes = infoBytes;
        layout.bits = bits;
        layout.compression = compression;
        layout.masks = masks;
        layout.width = int(pixels.size());
        layout.height = 2;
        QList<quint32> reversed(pixels.rbegin(), pixels.rend());
        layout.pixels = packedRows({pixels, reversed}, bits);
        const LoadedPicture loaded = open(bmpFile(layout));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        const bool withAlpha = std::any_of(expected.begin(), expected.end(), [](QRgb c) { return qAlpha(c) != 255; });
        QCOMPARE(loaded.picture.format(), withAlpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
        for (int x = 0; x < layout.width; ++x) {
            QCOMPARE(rgba(loaded.picture.pixel(x, 0)), rgba(expected[x]));
            QCOMPARE(rgba(loaded.picture.pixel(layout.width - 1 - x, 1)), rgba(expected[x]));
        }
    }

    void paletteVariantsReadTheirColours_data()
    {
        QTest::addColumn<BmpLayout>("layout");
        QTest::addColumn<int>("colours"); // how many the pixels name
        const auto layout = [](int infoBytes, int bits, int paletteSize, quint32 coloursUsed) {
            BmpLayout l;
            l.infoBytes = infoBytes;
            l.bits = bits;
            l.palette = somePalette(paletteSize);
            l.coloursUsed = coloursUsed;
            return l;
        };
        QTest::newRow("1 bit") << layout(40, 1, 2, 0) << 2;
        QTest::newRow("2 bits") << layout(40, 2, 4, 0) << 4;
        QTest::newRow("4 bits") << layout(40, 4, 16, 0) << 16;
        QTest::newRow("8 bits, a full palette") << layout(40, 8, 256, 0) << 256;
        QTest::newRow("8 bits, a palette of 5") << layout(40, 8, 5, 5) << 5;
        QTest::newRow("8 bits, a palette of 300") << layout(40, 8, 300, 300) << 256;
        QTest::newRow("4 bits, a palette of 20") << layout(40, 4, 20, 20) << 16;
        QTest::newRow("8 bits, 3-byte colours after a core header") << layout(12, 8, 256, 0) << 256;
        QTest::newRow("4 bits, a core header with 6 colours before its pixels") << layout(12, 4, 6, 0) << 6;
        QTest::newRow("8 bits, OS/2 header of 64 bytes") << layout(64, 8, 256, 0) << 256;
        QTest::newRow("4 bits, OS/2 header of 64 bytes and 9 colours") << layout(64, 4, 9, 9) << 9;
        QTest::newRow("8 bits, OS/2 header of 16 bytes") << layout(16, 8, 256, 0) << 256;
        QTest::newRow("8 bits, a V5 header") << layout(124, 8, 7, 7) << 7;
        BmpLayout gap = layout(40, 4, 16, 0);
        gap.gap = 10;
        QTest::newRow("4 bits, a gap before the pixels") << gap << 16;
        BmpLayout topDown = layout(40, 2, 4, 0);
        topDown.height = -1;
        QTest::newRow("2 bits, top row first") << topDown << 4;
    }
    void paletteVariantsReadTheirColours()
    {
        QFETCH(BmpLayout, layout);
        QFETCH(int, colours);
        const int width = 7, height = 3; // 7 pixels: the last byte of a row is part padding
        const bool topDown = layout.height < 0;
        layout.width = width;
        layout.height = topDown ? -height : height;
        const QList<QList<quint32>> grid = indexGrid(width, height, colours);
        layout.pixels = packedRows(grid, layout.bits, topDown);
        const LoadedPicture loaded = open(bmpFile(layout));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.size(), QSize(width, height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(rgba(loaded.picture.pixel(x, y)), rgba(layout.palette[grid[y][x]]));
    }

    void paddingBitsAreNoPixels()
    {
        // 3 pixels of 4 bits: the fourth nibble of the row's second byte names colour 15 of a
        // palette of 3, and must not make the file damaged.
        BmpLayout layout;
        layout.bits = 4;
        layout.width = 3;
        layout.height = 1;
        layout.palette = somePalette(3);
        layout.coloursUsed = 3;
        layout.pixels = QByteArray::fromHex("012f0000");
        const LoadedPicture loaded = open(bmpFile(layout));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.pixel(2, 0), layout.palette[2]);
    }

    void twentyFourBitPixelsUnderOtherHeaders_data()
    {
        QTest::addColumn<int>("infoBytes");
        QTest::newRow("core header") << 12;
        QTest::newRow("OS/2 header of 16 bytes") << 16;
        QTest::newRow("52-byte header") << 52;
        QTest::newRow("OS/2 header of 64 bytes") << 64;
    }
    void twentyFourBitPixelsUnderOtherHeaders()
    {
        QFETCH(int, infoBytes);
        BmpLayout layout;
        layout.infoBytes = infoBytes;
        layout.width = 3;
        layout.height = 2;
        layout.pixels = packedRows({{0x0000FF, 0x00FF00, 0xFF0000}, {0x102030, 0x405060, 0x708090}}, 24);
        const LoadedPicture loaded = open(bmpFile(layout));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.format(), QImage::Format_BGR888);
        QCOMPARE(loaded.picture.pixel(0, 0), qRgb(0, 0, 255));
        QCOMPARE(loaded.picture.pixel(2, 0), qRgb(255, 0, 0));
        QCOMPARE(loaded.picture.pixel(1, 1), qRgb(0x40, 0x50, 0x60));
    }

    void runLengthPicturesGiveSkippedPixelsTheFirstColour_data()
    {
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QList<QList<int>>>("expected"); // top row first
        // 6 x 4; the file's rows go bottom up: a run, a move, a run, an end of row, literal
        // indices, then the end of the picture with a row and a half still to come.
        const QList<QList<int>> skipped{{0, 0, 0, 0, 0, 0}, {3, 2, 1, 0, 0, 0}, {0, 0, 0, 0, 0, 2}, {1, 1, 1, 0, 0, 0}};
        QTest::newRow("8 bits, moves and an early end")
            << 8 << QByteArray::fromHex("0301" "00020201" "0102" "0000" "0003030201" "00" "0001") << skipped;
        QTest::newRow("4 bits, moves and an early end")
            << 4 << QByteArray::fromHex("0311" "00020201" "0120" "0000" "00033210" "0001") << skipped;
        QTest::newRow("4 bits, alternating runs")
            << 4 << QByteArray::fromHex("0512" "0000" "0130" "0001")
            << QList<QList<int>>{{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {3, 0, 0, 0, 0, 0}, {1, 2, 1, 2, 1, 0}};
        QTest::newRow("8 bits, the end before the first pixel") << 8 << QByteArray::fromHex("0001")
                                                                << QList<QList<int>>(4, QList<int>(6, 0));
        QTest::newRow("8 bits, every pixel given and no end code")
            << 8 << QByteArray::fromHex("0601" "0000" "0602" "0000" "0603" "0000" "0301" "0302")
            << QList<QList<int>>{{1, 1, 1, 2, 2, 2}, {3, 3, 3, 3, 3, 3}, {2, 2, 2, 2, 2, 2}, {1, 1, 1, 1, 1, 1}};
    }
    void runLengthPicturesGiveSkippedPixelsTheFirstColour()
    {
        QFETCH(int, bits);
        QFETCH(QByteArray, stream);
        QFETCH(QList<QList<int>>, expected);
        BmpLayout layout;
        layout.width = 6;
        layout.height = 4;
        layout.bits = bits;
        layout.compression = bits == 8 ? 1 : 2;
        layout.palette = {qRgb(9, 8, 7), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
        layout.coloursUsed = 4;
        layout.pixels = stream;
        const QByteArray file = bmpFile(layout);
        QImage first;
        for (int time = 0; time < 2; ++time) {
            dirtyTheHeap(8 * 4);
            const LoadedPicture loaded = open(file);
            QVERIFY2(loaded.ok(), qPrintable(loaded.error));
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 6; ++x)
                    QVERIFY2(loaded.picture.pixel(x, y) == layout.palette[expected[y][x]],
                             qPrintable(QStringLiteral("open %1, pixel (%2, %3)").arg(time + 1).arg(x).arg(y)));
            if (time == 0)
                first = loaded.picture;
            else
                QCOMPARE(loaded.picture, first);
        }
    }

    void largeRunLengthPictureOpensTheSameTwice()
    {
        // A picture mostly skipped, big enough for its memory to come from the system rather
        // than from blocks freed before: the two opens must agree byte for byte.
        BmpLayout layout;
        layout.width = 3000;
        layout.height = 2000;
        layout.bits = 8;
        layout.compression = 1;
        layout.palette = somePalette(4);
        layout.coloursUsed = 4;
        layout.pixels = QByteArray::fromHex("0a03" "0002ff64" "0502" "0001");
        const QByteArray file = bmpFile(layout);
        const QImage first = open(file).picture;
        dirtyTheHeap(first.sizeInBytes());
        const QImage second = open(file).picture;
        QVERIFY(!first.isNull() && !second.isNull());
        QCOMPARE(first.pixelIndex(0, 1999), 3);
        QCOMPARE(first.pixelIndex(1500, 1000), 0);
        QCOMPARE(first.pixelIndex(265, 1899), 2);
        for (int y = 0; y < 2000; ++y)
            QVERIFY(std::memcmp(first.constScanLine(y), second.constScanLine(y), 3000) == 0);
    }

    void badVariantsAreRefusedWithTheirReason_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QString damaged = PictureFileErrors::damaged();
        const auto unread = [](const char *what) {
            return QStringLiteral("the picture uses %1, which this program does not read").arg(QLatin1String(what));
        };
        BmpLayout rle;
        rle.width = 4;
        rle.height = 2;
        rle.bits = 8;
        rle.compression = 1;
        rle.palette = somePalette(2);
        rle.coloursUsed = 2;
        const auto withStream = [](BmpLayout l, const char *hex) {
            l.pixels = QByteArray::fromHex(hex);
            return bmpFile(l);
        };
        QTest::newRow("a run past the end of its row") << withStream(rle, "0501" "0001") << damaged;
        QTest::newRow("literal indices past the end of their row") << withStream(rle, "00050101010101" "00" "0001") << damaged;
        QTest::newRow("a move past the right edge") << withStream(rle, "00020500" "0001") << damaged;
        QTest::newRow("a move past the last row") << withStream(rle, "00020003" "0001") << damaged;
        QTest::newRow("a run after the last row") << withStream(rle, "0401" "0000" "0401" "0000" "0101" "0001") << damaged;
        QTest::newRow("a run of a colour beyond the palette") << withStream(rle, "0402" "0001") << damaged;
        QTest::newRow("a literal colour beyond the palette") << withStream(rle, "0003000105" "00" "0001") << damaged;
        QTest::newRow("stopping before the last pixel without an end code") << withStream(rle, "0401" "0000" "0301") << damaged;
        QTest::newRow("literal indices cut off by the end of the file") << withStream(rle, "00050101") << damaged;
        QTest::newRow("no run-length data at all") << withStream(rle, "") << damaged;
        BmpLayout rle4 = rle;
        rle4.bits = 4;
        rle4.compression = 2;
        QTest::newRow("4 bits: a run's second colour beyond the palette") << withStream(rle4, "0213" "0001") << damaged;
        QTest::newRow("4 bits: literal colours beyond the palette") << withStream(rle4, "00030130" "0001") << damaged;

        BmpLayout indexed = rle;
        indexed.compression = 0;
        QTest::newRow("8 bits naming a colour beyond the palette") << withStream(indexed, "00000102" "01010101") << damaged;
        BmpLayout mono = indexed;
        mono.bits = 1;
        mono.palette = somePalette(1);
        mono.coloursUsed = 1;
        QTest::newRow("1 bit with one colour naming the second") << withStream(mono, "10000000" "00000000") << damaged;
        BmpLayout shortPalette = indexed;
        shortPalette.coloursUsed = 300;
        QTest::newRow("a palette larger than the room before the pixels") << withStream(shortPalette, "00000000" "00000000") << damaged;

        BmpLayout masked;
        masked.width = 2;
        masked.height = 1;
        masked.bits = 16;
        masked.compression = 3;
        masked.masks = {0xF0F0, 0x0F00, 0x000F};
        QTest::newRow("a mask of two runs of bits") << withStream(masked, "00000000") << damaged;
        masked.masks = {0x1F0000, 0x07E0, 0x001F};
        QTest::newRow("a mask beyond the pixel's 16 bits") << withStream(masked, "00000000") << damaged;
        masked.masks = {0, 0, 0};
        QTest::newRow("no colour masks at all") << withStream(masked, "00000000") << damaged;
        masked.masks = {0xF800, 0x07E0, 0x001F};
        QTest::newRow("16-bit pixels cut short") << withStream(masked, "0000") << damaged;
        masked.bits = 24;
        QTest::newRow("colour masks on 24-bit pixels") << withStream(masked, "000000000000" "0000") << damaged;
        BmpLayout wrongRle = rle;
        wrongRle.bits = 4;
        QTest::newRow("8-bit run-length coding of 4-bit pixels") << withStream(wrongRle, "0001") << damaged;
        BmpLayout odd = indexed;
        odd.bits = 7;
        QTest::newRow("7 bits a pixel") << withStream(odd, "00000000" "00000000") << damaged;

        QByteArray insideHeader = withStream(indexed, "00000000" "00000000");
        vptest::bmpbytes::put32(insideHeader, 10, 20);
        QTest::newRow("pixels inside the header") << insideHeader << damaged;
        QByteArray twoPlanes = insideHeader;
        vptest::bmpbytes::put32(twoPlanes, 10, quint32(withStream(indexed, "").size()));
        vptest::bmpbytes::put16(twoPlanes, 26, 2);
        QTest::newRow("two planes") << twoPlanes << damaged;
        for (const int size : {13, 200}) {
            QByteArray badSize = withStream(indexed, "00000000" "00000000");
            vptest::bmpbytes::put32(badSize, 14, quint32(size));
            QTest::addRow("an info header of %d bytes", size) << badSize << damaged;
        }

        BmpLayout wide;
        wide.width = 1;
        wide.height = 1;
        wide.bits = 64;
        QTest::newRow("64 bits a pixel") << withStream(wide, "0000000000000000") << unread("64 bits per pixel");
        BmpLayout os2 = indexed;
        os2.infoBytes = 64;
        os2.bits = 1;
        os2.compression = 3;
        QTest::newRow("OS/2 Huffman coding") << withStream(os2, "0000") << unread("Huffman coding");
        os2.bits = 24;
        os2.compression = 4;
        os2.palette.clear();
        QTest::newRow("OS/2 run-length coded 24-bit pixels") << withStream(os2, "0000") << unread("run-length coding of 24-bit pixels");
        BmpLayout cmyk = indexed;
        cmyk.bits = 32;
        cmyk.compression = 11;
        cmyk.palette.clear();
        QTest::newRow("CMYK") << withStream(cmyk, "00000000") << unread("CMYK colours");
        BmpLayout huge = indexed;
        huge.width = 32768;
        QTest::newRow("32768 pixels wide") << withStream(huge, "00") << PictureFileErrors::tooLarge();

        QImage small(QSize(4, 2), QImage::Format_RGB32);
        small.fill(Qt::darkCyan);
        const QByteArray png = vptest::encoded(small, "png");
        BmpLayout embedded;
        embedded.width = 4;
        embedded.height = 2;
        embedded.bits = 0;
        embedded.compression = 5;
        embedded.pixels = png.left(png.size() / 2);
        QTest::newRow("a PNG inside, cut in half") << bmpFile(embedded) << damaged;
        embedded.pixels = withStream(indexed, "00000000" "00000000");
        QTest::newRow("a BMP inside, said to be a PNG") << bmpFile(embedded) << damaged;
        embedded.compression = 4;
        embedded.pixels = png;
        QTest::newRow("a PNG inside, said to be a JPEG") << bmpFile(embedded) << damaged;
    }
    void badVariantsAreRefusedWithTheirReason()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const LoadedPicture loaded = open(bytes);
        QVERIFY(!loaded.ok());
        QCOMPARE(loaded.error, reason);
    }

    void picturesStoredInsideOpenAsThemselves_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<quint32>("compression");
        QTest::newRow("png") << QByteArray("png") << 5u;
        QTest::newRow("jpeg") << QByteArray("jpeg") << 4u;
    }
    void picturesStoredInsideOpenAsThemselves()
    {
        QFETCH(QByteArray, format);
        QFETCH(quint32, compression);
        QImage picture(QSize(19, 11), QImage::Format_RGB32);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 19; ++x)
                picture.setPixel(x, y, qRgb(x * 13, y * 23, 128));
        const QByteArray inside = vptest::encoded(picture, format.constData());
        BmpLayout layout;
        layout.width = 19;
        layout.height = 11;
        layout.bits = 0;
        layout.compression = compression;
        layout.pixels = inside;
        const LoadedPicture loaded = open(bmpFile(layout));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        const QImage expected = QImage::fromData(inside, format.constData());
        QCOMPARE(loaded.picture.convertToFormat(QImage::Format_RGB32), expected.convertToFormat(QImage::Format_RGB32));
    }
};
VP_TEST(TestBmpVariants)
#include "tst_bmpvariants.moc"
