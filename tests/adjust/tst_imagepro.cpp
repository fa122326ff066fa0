#include "adjust/imagepro.h"
#include "testregistry.h"

#include <QTest>
#include <cstring>
#include <numeric>
#include <random>

namespace {

// Every byte of the buffer, fill bytes included, from a counter or a seed.
QImage picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_BGR888);
    std::mt19937 random(seed);
    uchar *bytes = image.bits();
    for (qsizetype i = 0; i < image.sizeInBytes(); ++i)
        bytes[i] = uchar(random());
    return image;
}

QImage filled(int width, int height, uchar value)
{
    QImage image(width, height, QImage::Format_BGR888);
    std::memset(image.bits(), value, size_t(image.sizeInBytes()));
    return image;
}

LevelTable identity()
{
    LevelTable table;
    std::iota(table.begin(), table.end(), 0);
    return table;
}

LevelTable inverted()
{
    LevelTable table;
    for (int v = 0; v < 256; ++v)
        table[v] = quint8(255 - v);
    return table;
}

// The engine written the slow, obvious way over the bottom-up byte grids.
QImage referenceResult(const QImage &snapshot, QImage canvas, EngineOp op, const LevelTable &table)
{
    const int first = op == EngineOp::Blue ? 0 : op == EngineOp::Green ? 1 : 2;
    const int step = op == EngineOp::BrightnessContrast ? 1 : 3;
    const int start = op == EngineOp::BrightnessContrast ? 0 : first;
    for (int x = start; x < canvas.bytesPerLine(); x += step)
        for (int y = 0; y < canvas.height(); ++y) {
            if (x >= snapshot.bytesPerLine() || y >= snapshot.height())
                continue;
            canvas.scanLine(canvas.height() - 1 - y)[x] =
                table[snapshot.constScanLine(snapshot.height() - 1 - y)[x]];
        }
    return canvas;
}

QByteArray bytesOf(const QImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
}

} // namespace

class TestImagePro : public QObject {
    Q_OBJECT
private slots:
    void operationNamesAreExact_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("op");
        QTest::newRow("brightness and contrast") << "Brightness/Contrast" << int(EngineOp::BrightnessContrast);
        QTest::newRow("RGB0 is red") << "RGB0" << int(EngineOp::Red);
        QTest::newRow("RGB1 is green") << "RGB1" << int(EngineOp::Green);
        QTest::newRow("RGB2 is blue") << "RGB2" << int(EngineOp::Blue);
        QTest::newRow("lower case is unknown") << "rgb0" << int(EngineOp::None);
        QTest::newRow("RGB3 is unknown") << "RGB3" << int(EngineOp::None);
        QTest::newRow("trailing blank is unknown") << "RGB0 " << int(EngineOp::None);
        QTest::newRow("empty is unknown") << "" << int(EngineOp::None);
    }
    void operationNamesAreExact()
    {
        QFETCH(QString, name);
        QFETCH(int, op);
        QCOMPARE(int(engineOpFromName(name)), op);
    }

    void programTableStartsZeroFilled()
    {
        QVERIFY(std::all_of(levelTable().begin(), levelTable().end(), [](quint8 v) { return v == 0; }));
    }

    void gainTable_data()
    {
        QTest::addColumn<float>("X");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("expected");
        QTest::newRow("left end, 255 -> 51") << 0.0f << 255 << 51;
        QTest::newRow("left end, 100 -> 20") << 0.0f << 100 << 20;
        QTest::newRow("left end, 13 -> 3") << 0.0f << 13 << 3;
        QTest::newRow("left end, 12 -> 2 (2.4)") << 0.0f << 12 << 2;
        QTest::newRow("left end, 2 -> 0") << 0.0f << 2 << 0;
        QTest::newRow("start bar, 100 -> 121") << 90.0f << 100 << 121;
        QTest::newRow("start bar, 200 -> 242") << 90.0f << 200 << 242;
        QTest::newRow("start bar, 210 -> 254") << 90.0f << 210 << 254;
        QTest::newRow("start bar, 211 saturates") << 90.0f << 211 << 255;
        QTest::newRow("start bar, 255 saturates") << 90.0f << 255 << 255;
        QTest::newRow("far right, 0 stays 0") << 5000.0f << 0 << 0;
        QTest::newRow("far right, 1 saturates") << 5000.0f << 1 << 255;
    }
    void gainTable()
    {
        QFETCH(float, X);
        QFETCH(int, v);
        QFETCH(int, expected);
        LevelTable table {};
        fillGainTable(table, X);
        QCOMPARE(int(table[v]), expected);
    }

    void gainTableSaturatesFrom211AtTheStartBar()
    {
        LevelTable table {};
        fillGainTable(table, 90.0f);
        for (int v = 211; v < 256; ++v)
            QCOMPARE(int(table[v]), 255);
        QVERIFY(std::is_sorted(table.begin(), table.end()));
    }

    void contrastTable_data()
    {
        QTest::addColumn<float>("X");
        QTest::addColumn<int>("v");
        QTest::addColumn<int>("expected");
        QTest::newRow("left end, 0 -> 121") << 0.0f << 0 << 121;
        QTest::newRow("left end, 255 -> 133") << 0.0f << 255 << 133;
        QTest::newRow("left end, 127 stays") << 0.0f << 127 << 127;
        QTest::newRow("left end, 17 (121.5) -> 122") << 0.0f << 17 << 122;
        QTest::newRow("left end, 37 (122.5) -> 122") << 0.0f << 37 << 122;
        QTest::newRow("left end, 137 (127.5) -> 128") << 0.0f << 137 << 128;
        QTest::newRow("left end, 157 (128.5) -> 128") << 0.0f << 157 << 128;
        QTest::newRow("right end, 120 -> 0") << 180.0f << 120 << 0;
        QTest::newRow("right end, 126 -> 107") << 180.0f << 126 << 107;
        QTest::newRow("right end, 128 -> 147") << 180.0f << 128 << 147;
        QTest::newRow("right end, 133 -> 248") << 180.0f << 133 << 248;
        QTest::newRow("right end, 134 -> 255") << 180.0f << 134 << 255;
        QTest::newRow("far right, 127 stays") << 5000.0f << 127 << 127;
        QTest::newRow("far right, 126 -> 0") << 5000.0f << 126 << 0;
        QTest::newRow("far right, 128 -> 255") << 5000.0f << 128 << 255;
    }
    void contrastTable()
    {
        QFETCH(float, X);
        QFETCH(int, v);
        QFETCH(int, expected);
        LevelTable table {};
        fillContrastTable(table, X);
        QCOMPARE(int(table[v]), expected);
    }

    void contrastAtRightEndClampsBothEnds()
    {
        LevelTable table {};
        fillContrastTable(table, 180.0f);
        for (int v = 0; v <= 120; ++v)
            QCOMPARE(int(table[v]), 0);
        for (int v = 134; v < 256; ++v)
            QCOMPARE(int(table[v]), 255);
    }

    void identityTableCopiesSnapshotByteForByte()
    {
        const QImage snapshot = picture(5, 3, 1); // rows of 16 bytes, one fill byte
        QImage canvas = filled(5, 3, 0xAA);
        processImageBytes(snapshot, canvas, EngineOp::BrightnessContrast, identity());
        QCOMPARE(bytesOf(canvas), bytesOf(snapshot));
    }

    void zeroTableOnRedClearsOnlyRed()
    {
        const QImage snapshot = filled(4, 2, 200);
        QImage canvas(4, 2, QImage::Format_BGR888);
        canvas.fill(QColor(10, 20, 30));
        processImageBytes(snapshot, canvas, EngineOp::Red, LevelTable {});
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                QCOMPARE(canvas.pixel(x, y), qRgb(0, 20, 30));
    }

    void onePixelWideRowsMapTheirFillByte_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QByteArray>("mapped");
        QTest::newRow("blue maps bytes 0 and 3") << int(EngineOp::Blue) << QByteArray("\1\0\0\1", 4);
        QTest::newRow("green maps byte 1") << int(EngineOp::Green) << QByteArray("\0\1\0\0", 4);
        QTest::newRow("red maps byte 2") << int(EngineOp::Red) << QByteArray("\0\0\1\0", 4);
        QTest::newRow("all four bytes") << int(EngineOp::BrightnessContrast) << QByteArray("\1\1\1\1", 4);
        QTest::newRow("unknown maps nothing") << int(EngineOp::None) << QByteArray("\0\0\0\0", 4);
    }
    void onePixelWideRowsMapTheirFillByte()
    {
        QFETCH(int, op);
        QFETCH(QByteArray, mapped);
        const QImage snapshot = filled(1, 2, 9);
        QImage canvas = filled(1, 2, 0xEE);
        QCOMPARE(canvas.bytesPerLine(), 4);
        processImageBytes(snapshot, canvas, EngineOp(op), inverted());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                QCOMPARE(int(canvas.constScanLine(y)[x]), mapped[x] ? 255 - 9 : 0xEE);
    }

    void canvasBytesBeyondSnapshotRowsKeepTheirValues()
    {
        const QImage snapshot = filled(2, 2, 1); // 8-byte rows
        QImage canvas = filled(4, 2, 0x55);      // 12-byte rows
        processImageBytes(snapshot, canvas, EngineOp::BrightnessContrast, inverted());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 12; ++x)
                QCOMPARE(int(canvas.constScanLine(y)[x]), x < 8 ? 254 : 0x55);
    }

    void gridsAlignAtTheBottomRow()
    {
        QImage snapshot = filled(1, 2, 0);
        snapshot.scanLine(0)[0] = 10; // top row
        snapshot.scanLine(1)[0] = 20; // bottom row
        QImage canvas = filled(1, 3, 0x77);
        processImageBytes(snapshot, canvas, EngineOp::Blue, identity());
        QCOMPARE(int(canvas.constScanLine(0)[0]), 0x77); // the canvas's extra top row
        QCOMPARE(int(canvas.constScanLine(1)[0]), 10);
        QCOMPARE(int(canvas.constScanLine(2)[0]), 20);
    }

    void tallerSnapshotFeedsTheCanvasFromItsBottomRows()
    {
        QImage snapshot = filled(1, 3, 0);
        for (int y = 0; y < 3; ++y)
            snapshot.scanLine(y)[1] = uchar(30 + y);
        QImage canvas = filled(1, 2, 0);
        processImageBytes(snapshot, canvas, EngineOp::Green, identity());
        QCOMPARE(int(canvas.constScanLine(0)[1]), 31);
        QCOMPARE(int(canvas.constScanLine(1)[1]), 32);
    }

    void matchesTheByteGridDefinition_data()
    {
        QTest::addColumn<QSize>("snapshotSize");
        QTest::addColumn<QSize>("canvasSize");
        QTest::addColumn<int>("op");
        const QList<QPair<QSize, QSize>> sizes = {
            {{37, 5}, {37, 5}}, {{64, 4}, {64, 4}}, {{37, 5}, {41, 7}},
            {{41, 7}, {37, 5}}, {{3, 9}, {20, 2}}, {{20, 2}, {3, 9}},
            {{601, 600}, {601, 600}}, {{601, 600}, {603, 601}}};
        const QList<QPair<const char *, EngineOp>> ops = {{"all", EngineOp::BrightnessContrast},
                                                          {"red", EngineOp::Red},
                                                          {"green", EngineOp::Green},
                                                          {"blue", EngineOp::Blue}};
        for (const auto &[snapshotSize, canvasSize] : sizes)
            for (const auto &[name, op] : ops)
                QTest::addRow("%s %dx%d onto %dx%d", name, snapshotSize.width(), snapshotSize.height(),
                              canvasSize.width(), canvasSize.height())
                    << snapshotSize << canvasSize << int(op);
    }
    void matchesTheByteGridDefinition()
    {
        QFETCH(QSize, snapshotSize);
        QFETCH(QSize, canvasSize);
        QFETCH(int, op);
        const QImage snapshot = picture(snapshotSize.width(), snapshotSize.height(), 7);
        QImage canvas = picture(canvasSize.width(), canvasSize.height(), 8);
        const QImage expected = referenceResult(snapshot, canvas, EngineOp(op), inverted());
        processImageBytes(snapshot, canvas, EngineOp(op), inverted());
        QCOMPARE(bytesOf(canvas), bytesOf(expected));
    }

    void sharedPictureDetachesSoTheSnapshotStaysUntouched()
    {
        const QImage snapshot = picture(6, 4, 3);
        const QByteArray before = bytesOf(snapshot);
        QImage canvas = snapshot;
        processImageBytes(snapshot, canvas, EngineOp::BrightnessContrast, inverted());
        QCOMPARE(bytesOf(snapshot), before);
        QCOMPARE(int(canvas.constBits()[0]), 255 - int(uchar(before[0])));
    }

    void canvasOfAnotherDepthIsLeftAlone()
    {
        const QImage snapshot = picture(4, 4, 5);
        QImage canvas(4, 4, QImage::Format_RGB32);
        canvas.fill(0xFF112233);
        processImageBytes(snapshot, canvas, EngineOp::BrightnessContrast, inverted());
        QCOMPARE(canvas.pixel(2, 2), 0xFF112233u);
    }
};
VP_TEST(TestImagePro)
#include "tst_imagepro.moc"
