#include "imagelib/bmpvariants.h"
#include "imagelib/fill.h"
#include "imagelib/parallel.h"
#include "imagelib/picturefiles.h"
#include "imagelib/pixelengine.h"
#include "imagelib/raster.h"
#include "imagelib/resample.h"
#include "imagelib/rotate.h"
#include "imagelib/smooth.h"

#include "bmpbuilder.h"
#include "fixture.h"
#include "testregistry.h"

#include <QBuffer>
#include <QTest>

#include <atomic>
#include <cstring>
#include <optional>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Every byte of the buffers, row padding included (the engine maps the padding too), or only
// the bytes of the pixels, where the padding is left as the allocation found it.
enum class Compare { EveryByte, Pixels };

bool sameBytes(const QImage &a, const QImage &b, Compare what)
{
    if (a.size() != b.size() || a.format() != b.format() || a.bytesPerLine() != b.bytesPerLine())
        return false;
    if (what == Compare::EveryByte)
        return std::memcmp(a.constBits(), b.constBits(), size_t(a.sizeInBytes())) == 0;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), size_t(a.width()) * size_t(a.depth()) / 8) != 0)
            return false;
    return true;
}

// The bytes of a picture, padding included, all random: a kernel that writes outside its rows,
// or leaves some unwritten, shows it.
QImage randomBuffer(QSize size, unsigned seed, QImage::Format format = PictureFormat)
{
    QImage picture(size, format);
    std::mt19937 random(seed);
    uchar *bytes = picture.bits();
    for (qsizetype i = 0; i < picture.sizeInBytes(); i += 4) {
        const quint32 word = quint32(random());
        std::memcpy(bytes + i, &word, size_t(std::min<qsizetype>(4, picture.sizeInBytes() - i)));
    }
    return picture;
}

// Runs `kernel` on one thread, then on `threads`, each time from the same start, and compares.
template <typename Kernel>
void compareWithOneThread(int threads, Kernel kernel, Compare what = Compare::EveryByte)
{
    QImage alone;
    {
        const KernelThreadsScope scope(1);
        alone = kernel();
    }
    const KernelThreadsScope scope(threads);
    QVERIFY(sameBytes(kernel(), alone, what));
}

// Picture sizes around the strips: fewer rows than threads, a single row, odd counts, a column,
// and rows that leave a remainder after every strip length the scope's thread counts make.
void sizesAndThreads()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("threads");
    const QSize sizes[] = {QSize(1, 1), QSize(7, 1), QSize(5, 2), QSize(1, 9), QSize(13, 3),
                           QSize(33, 17), QSize(64, 31), QSize(21, 97)};
    for (const QSize size : sizes)
        for (const int threads : {2, 3, 7})
            QTest::addRow("%dx%d on %d threads", size.width(), size.height(), threads) << size << threads;
}

} // namespace

class TestParallel : public QObject {
    Q_OBJECT
private slots:
    // A strip claimed twice, or one skipped where two threads meet, shows as a count other than one.
    // A strip claimed twice, or one skipped where two threads meet, shows as a count other than
    // one; 0 threads is the machine's own choice, for rows that cost enough to share.
    void everyRowIsVisitedOnce_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("end");
        QTest::addColumn<int>("threads");
        QTest::newRow("one row, many threads") << 4 << 5 << 7;
        QTest::newRow("fewer rows than threads") << 0 << 3 << 7;
        QTest::newRow("odd rows") << 10 << 1009 << 3;
        QTest::newRow("rows a multiple of the strips") << 0 << 96 << 3;
        QTest::newRow("nothing") << 5 << 5 << 3;
        QTest::newRow("odd rows, the machine's threads") << 3 << 1004 << 0;
    }
    void everyRowIsVisitedOnce()
    {
        QFETCH(int, first);
        QFETCH(int, end);
        QFETCH(int, threads);
        std::vector<std::atomic<int>> visits(size_t(end + 1));
        std::optional<KernelThreadsScope> scope;
        if (threads > 0)
            scope.emplace(threads);
        forEachStrip(first, end, qsizetype(1) << 20, [&](int from, int to) {
            for (int row = from; row < to; ++row)
                ++visits[size_t(row)];
        });
        for (int row = 0; row <= end; ++row)
            QCOMPARE(visits[size_t(row)].load(), row >= first && row < end ? 1 : 0);
    }

    // A thread left running, or an exception ending the program, would show here.
    void aStripsExceptionReachesTheCallerOnceAllHaveStopped()
    {
        const KernelThreadsScope scope(4);
        std::atomic<int> running{0};
        bool caught = false;
        try {
            forEachStrip(0, 64, 1, [&](int from, int) {
                ++running;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                --running;
                if (from == 8)
                    throw std::runtime_error("strip");
            });
        } catch (const std::runtime_error &) {
            caught = true;
        }
        QVERIFY(caught);
        QCOMPARE(running.load(), 0);
    }

    // A kernel inside a strip must not start threads of its own: on a strip's thread, or with a
    // scope of one thread, every strip runs where it was called.
    void nestedAndSingleThreadedCallsStayOnTheirThread()
    {
        std::atomic<bool> nestedElsewhere{false};
        {
            const KernelThreadsScope scope(3);
            forEachStrip(0, 12, 1, [&](int, int) {
                const std::thread::id outer = std::this_thread::get_id();
                forEachStrip(0, 12, qsizetype(1) << 30, [&](int, int) {
                    if (std::this_thread::get_id() != outer)
                        nestedElsewhere = true;
                });
            });
        }
        QVERIFY(!nestedElsewhere);
        const KernelThreadsScope one(1);
        const std::thread::id caller = std::this_thread::get_id();
        bool elsewhere = false;
        forEachStrip(0, 100, qsizetype(1) << 30, [&](int, int) { elsewhere |= std::this_thread::get_id() != caller; });
        QVERIFY(!elsewhere);
    }

    void smoothingABandWritesOnlyItsRows_data() { sizesAndThreads(); }
    void smoothingABandWritesOnlyItsRows()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        const QImage before = randomBuffer(size, 1);
        compareWithOneThread(threads, [&] {
            QImage after = randomBuffer(size, 2);
            smoothRows(before, after, 0, size.height());
            return after;
        });
        compareWithOneThread(threads, [&] {
            QImage after = randomBuffer(size, 2);
            smoothRows(before, after, size.height() / 3, size.height() - size.height() / 4);
            return after;
        });
    }

    void rotationMatchesOneThread_data() { sizesAndThreads(); }
    void rotationMatchesOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        const int w = size.width(), h = size.height();
        for (const QImage::Format format : {PictureFormat, QImage::Format_RGB32})
            for (const double angle : {0.5235987755982988, -1.3, 3.14159265358979}) {
                const QImage src = randomBuffer(size, 3, format);
                compareWithOneThread(threads, [&] {
                    QImage dst = randomBuffer(size, 4, format);
                    rotatePicture(src, dst, angle, 0, 0, w - 1, h - 1, w / 2, h / 2, w / 2, h / 2);
                    return dst;
                });
            }
    }

    // Stretching on both axes, shrinking on both, and one of each; a shrink by more than four
    // takes the wide sums.
    void resamplingMatchesOneThread_data() { sizesAndThreads(); }
    void resamplingMatchesOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        const QImage source = randomBuffer(size, 5);
        const QSize targets[] = {size * 3 / 2 + QSize(1, 1), QSize(size.width() * 2 + 1, std::max(1, size.height() / 2)),
                                 QSize(std::max(1, size.width() * 2 / 3), size.height() * 3), size / 5 + QSize(1, 1)};
        for (const QSize target : targets)
            compareWithOneThread(threads, [&] { return resampled(source, target); });
    }

    // Each operation, on pictures of one layout and of two (whose rows meet at the bottom); the
    // largest size takes the engine's two-byte table.
    void engineMatchesOneThread_data()
    {
        sizesAndThreads();
        QTest::addRow("700x500 on 2 threads, two-byte table") << QSize(700, 500) << 2;
    }
    void engineMatchesOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        LevelTable table;
        for (int v = 0; v < 256; ++v)
            table[size_t(v)] = quint8(255 - v / 2);
        const QImage snapshot = randomBuffer(size, 6);
        const QImage taller = randomBuffer(size + QSize(0, 3), 7);
        for (const EngineOp op : {EngineOp::BrightnessContrast, EngineOp::Red, EngineOp::Green, EngineOp::Blue})
            for (const QImage &from : {snapshot, taller})
                compareWithOneThread(threads, [&] {
                    QImage canvas = randomBuffer(size, 8);
                    processImageBytes(from, canvas, op, table);
                    return canvas;
                });
    }

    // The colour in a few rows only, the first and the last among them; once on a picture of its
    // own and once on one sharing its pixels, which is written into a new one.
    void fillMatchesOneThread_data() { sizesAndThreads(); }
    void fillMatchesOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        const Colour target = makeColour(9, 8, 7);
        QImage picture = randomBuffer(size, 9);
        for (const int y : {size.height() - 1, size.height() / 2, std::min(size.height() / 2 + 1, size.height() - 1)})
            for (int x = y % 3; x < size.width(); x += 2)
                setPixelBGR(picture.scanLine(y) + 3 * x, target);
        for (const bool shared : {false, true}) {
            QRect changed[2];
            compareWithOneThread(threads, [&, n = 0]() mutable {
                QImage own = picture.copy();
                const QImage holder = shared ? own : QImage();
                changed[n++] = replaceColour(own, target, makeColour(1, 2, 3));
                return own;
            });
            QCOMPARE(changed[1], changed[0]);
        }
    }

    void flipsAndStretchesMatchOneThread_data() { sizesAndThreads(); }
    void flipsAndStretchesMatchOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        const int w = size.width(), h = size.height();
        const QImage src = randomBuffer(size, 10);
        struct Transfer {
            int x, y, w, h;
            RasterOp op;
        };
        const Transfer transfers[] = {{w, 0, -w, h, RasterOp::Copy},     {0, h, w, -h, RasterOp::Copy},
                                      {w, h, -w, -h, RasterOp::Or},      {1, -1, 2 * w, h + 2, RasterOp::And},
                                      {0, 0, w / 2 + 1, h / 2 + 1, RasterOp::Copy}};
        for (const Transfer &t : transfers)
            compareWithOneThread(threads, [&] {
                QImage dst = randomBuffer(size, 11);
                stretchBlit(dst, t.x, t.y, t.w, t.h, src, 0, 0, w, h, t.op);
                return dst;
            });
    }

    // Straight from 32-bit pixels, and through Qt's converter from another format.
    void flatteningMatchesOneThread_data() { sizesAndThreads(); }
    void flatteningMatchesOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        for (const QImage::Format format : {QImage::Format_ARGB32, QImage::Format_RGBA8888})
            compareWithOneThread(threads, [&] { return flattenedOver(randomBuffer(size, 12, format), makeColour(40, 90, 200)); });
    }

    // Palette and masked pixels of each depth decode the same; an index beyond the palette in
    // the last row is damage either way.
    void bmpRowsDecodeAsOnOneThread_data() { sizesAndThreads(); }
    void bmpRowsDecodeAsOnOneThread()
    {
        QFETCH(QSize, size);
        QFETCH(int, threads);
        const auto read = [](const QByteArray &file) {
            QByteArray bytes = file;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            return readBmpVariant(buffer);
        };
        std::mt19937 random(13);
        for (const int bits : {1, 4, 8, 16, 32}) {
            vptest::BmpLayout layout;
            layout.width = size.width();
            layout.height = size.height();
            layout.bits = bits;
            const quint32 colours = bits <= 8 ? (1u << bits) - (bits == 8 ? 56 : 0) : 0;
            QList<QList<quint32>> rows;
            for (int y = 0; y < size.height(); ++y) {
                rows.append(QList<quint32>());
                for (int x = 0; x < size.width(); ++x)
                    rows.back() << (colours ? quint32(random() % colours) : quint32(random()));
            }
            layout.coloursUsed = colours;
            if (colours)
                for (quint32 i = 0; i < colours; ++i)
                    layout.palette << qRgb(int(i * 37 % 256), int(i * 11 % 256), int(255 - i));
            if (bits == 32) {
                layout.compression = 3;
                layout.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};
            }
            layout.pixels = vptest::packedRows(rows, bits);
            compareWithOneThread(threads, [&] { return read(vptest::bmpFile(layout)).picture; }, Compare::Pixels);
            if (bits == 8) {
                rows.back().back() = colours;
                layout.pixels = vptest::packedRows(rows, bits);
                const KernelThreadsScope scope(threads);
                QVERIFY(read(vptest::bmpFile(layout)).picture.isNull());
            }
        }
    }
};
VP_TEST(TestParallel)
#include "tst_parallel.moc"
