#include "imagelib/pixelengine.h"
#include "testregistry.h"

#include <QTest>
#include <random>

namespace {

// Every byte of the buffer, fill bytes included, random or one value.
QImage picture(int width, int height, int seed, int value = -1)
{
    QImage image(width, height, QImage::Format_BGR888);
    std::mt19937 random(seed);
    for (qsizetype i = 0; i < image.sizeInBytes(); ++i)
        image.bits()[i] = uchar(value < 0 ? random() : value);
    return image;
}

LevelTable shifted(int by)
{
    LevelTable table;
    for (int v = 0; v < 256; ++v)
        table[v] = quint8(v + by);
    return table;
}

// The engine the slow, obvious way: bottom-up byte grids, column by column.
QImage referenceResult(const QImage &snapshot, QImage canvas, EngineOp op, const LevelTable &table)
{
    const int step = op == EngineOp::BrightnessContrast ? 1 : 3;
    const int start = op == EngineOp::Blue || step == 1 ? 0 : op == EngineOp::Green ? 1 : 2;
    for (int x = start; x < canvas.bytesPerLine() && x < snapshot.bytesPerLine(); x += step)
        for (int y = 0; y < canvas.height() && y < snapshot.height(); ++y)
            canvas.scanLine(canvas.height() - 1 - y)[x] = table[snapshot.constScanLine(snapshot.height() - 1 - y)[x]];
    return canvas;
}

QByteArray bytesOf(const QImage &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes());
}

} // namespace

class TestPixelEngine : public QObject {
    Q_OBJECT
private slots:
    void operationNamesAreExact()
    {
        QCOMPARE(engineOpFromName("Brightness/Contrast"), EngineOp::BrightnessContrast);
        QCOMPARE(engineOpFromName("RGB0"), EngineOp::Red);
        QCOMPARE(engineOpFromName("RGB1"), EngineOp::Green);
        QCOMPARE(engineOpFromName("RGB2"), EngineOp::Blue);
        QCOMPARE(engineOpFromName("rgb0"), EngineOp::None);
        QCOMPARE(engineOpFromName("RGB3"), EngineOp::None);
    }

    void tablesRoundTiesToEvenAndSaturate_data()
    {
        QTest::addColumn<bool>("contrast");
        QTest::addColumn<float>("X");
        QTest::addColumn<QList<int>>("values");   // v, expected, v, expected, ...
        QTest::newRow("brightness at the left end") << false << 0.0f << QList<int> {255, 51, 100, 20, 13, 3, 12, 2, 2, 0};
        QTest::newRow("brightness at the start bar") << false << 90.0f << QList<int> {100, 121, 200, 242, 210, 254, 211, 255, 255, 255};
        QTest::newRow("brightness far right: 0 x infinity") << false << 5000.0f << QList<int> {0, 0, 1, 255};
        QTest::newRow("contrast at the left end") << true << 0.0f
                                                  << QList<int> {0, 121, 255, 133, 127, 127, 17, 122, 37, 122, 137, 128, 157, 128};
        QTest::newRow("contrast at 180") << true << 180.0f << QList<int> {0, 0, 120, 0, 126, 107, 128, 147, 133, 248, 134, 255};
        QTest::newRow("contrast far right: 127 x infinity") << true << 5000.0f << QList<int> {126, 0, 127, 127, 128, 255};
    }
    void tablesRoundTiesToEvenAndSaturate()
    {
        QFETCH(bool, contrast);
        QFETCH(float, X);
        QFETCH(QList<int>, values);
        LevelTable table {};
        contrast ? fillContrastTable(table, X) : fillGainTable(table, X);
        for (qsizetype i = 0; i < values.size(); i += 2)
            QCOMPARE(int(table[values[i]]), values[i + 1]);
        QVERIFY(std::is_sorted(table.begin(), table.end()));
    }

    void identityTableCopiesTheSnapshotByteForByte()
    {
        const QImage snapshot = picture(5, 3, 1); // 16-byte rows, one fill byte
        QImage canvas = picture(5, 3, 0, 0xAA);
        processImageBytes(snapshot, canvas, EngineOp::BrightnessContrast, shifted(0));
        QCOMPARE(bytesOf(canvas), bytesOf(snapshot));
    }

    void zeroTableOnRedClearsOnlyRed()
    {
        QImage canvas(4, 2, QImage::Format_BGR888);
        canvas.fill(QColor(10, 20, 30));
        processImageBytes(picture(4, 2, 0, 200), canvas, EngineOp::Red, LevelTable {});
        QCOMPARE(canvas.pixel(3, 1), qRgb(0, 20, 30));
        QCOMPARE(canvas.pixel(0, 0), qRgb(0, 20, 30));
    }

    void onePixelWideRowsMapTheirFillByte_data()
    {
        QTest::addColumn<EngineOp>("op");
        QTest::addColumn<QByteArray>("row");
        QTest::newRow("blue maps bytes 0 and 3") << EngineOp::Blue << QByteArray("\x0a\xee\xee\x0a", 4);
        QTest::newRow("green maps byte 1") << EngineOp::Green << QByteArray("\xee\x0a\xee\xee", 4);
        QTest::newRow("red maps byte 2") << EngineOp::Red << QByteArray("\xee\xee\x0a\xee", 4);
        QTest::newRow("unknown maps nothing") << EngineOp::None << QByteArray("\xee\xee\xee\xee", 4);
    }
    void onePixelWideRowsMapTheirFillByte()
    {
        QFETCH(EngineOp, op);
        QFETCH(QByteArray, row);
        QImage canvas = picture(1, 1, 0, 0xEE);
        processImageBytes(picture(1, 1, 0, 9), canvas, op, shifted(1));
        QCOMPARE(bytesOf(canvas), row);
    }

    void canvasKeepsWhatLiesBeyondTheSnapshot()
    {
        QImage canvas = picture(4, 3, 0, 0x55);  // 12-byte rows, one row more
        processImageBytes(picture(2, 2, 0, 1), canvas, EngineOp::BrightnessContrast, shifted(1));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 12; ++x) // grids align at the bottom: the top row is the extra one
                QCOMPARE(int(canvas.constScanLine(y)[x]), y > 0 && x < 8 ? 2 : 0x55);
    }

    void matchesTheByteGridDefinition_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::addColumn<EngineOp>("op");
        const QList<QPair<QSize, QSize>> sizes = {{{37, 5}, {37, 5}},   {{37, 5}, {41, 7}},     {{41, 7}, {37, 5}},
                                                  {{3, 9}, {20, 2}},    {{601, 600}, {601, 600}}, {{601, 600}, {603, 601}}};
        for (const auto &[from, to] : sizes)
            for (EngineOp op : {EngineOp::BrightnessContrast, EngineOp::Red, EngineOp::Green, EngineOp::Blue})
                QTest::addRow("op %d, %dx%d onto %dx%d", int(op), from.width(), from.height(), to.width(), to.height())
                    << from << to << op;
    }
    void matchesTheByteGridDefinition()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QFETCH(EngineOp, op);
        const QImage snapshot = picture(from.width(), from.height(), 7);
        QImage canvas = picture(to.width(), to.height(), 8);
        const QImage expected = referenceResult(snapshot, canvas, op, shifted(101));
        processImageBytes(snapshot, canvas, op, shifted(101));
        QCOMPARE(bytesOf(canvas), bytesOf(expected));
    }

    void sharedCanvasDetachesAndOtherDepthsAreLeftAlone()
    {
        const QImage snapshot = picture(6, 4, 3);
        const QByteArray before = bytesOf(snapshot);
        QImage canvas = snapshot;
        processImageBytes(snapshot, canvas, EngineOp::BrightnessContrast, shifted(1));
        QCOMPARE(bytesOf(snapshot), before);

        QImage deep(4, 4, QImage::Format_RGB32);
        deep.fill(0xFF112233);
        processImageBytes(snapshot, deep, EngineOp::BrightnessContrast, shifted(1));
        QCOMPARE(deep.pixel(2, 2), 0xFF112233u);
    }
};
VP_TEST(TestPixelEngine)
#include "tst_pixelengine.moc"
