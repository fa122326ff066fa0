#include "imagelib/picturepatch.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>

#include <algorithm>
#include <cstring>

namespace {

// Three tile columns (the last 22 pixels wide) and two bands (the last 6 rows high).
const QSize Size(150, 70);

QImage withChanges(const QImage &picture, const QList<QPoint> &points)
{
    QImage changed = picture.copy();
    for (const QPoint &point : points) {
        uchar *pixel = changed.scanLine(point.y()) + 3 * point.x();
        pixel[0] ^= 0x5A;
    }
    return changed;
}

// The picture with the patch's pixels written over it.
QImage patched(QImage picture, const PicturePatch &patch)
{
    const char *from = patch.pixels.constData();
    for (const QRect &rect : patch.rects)
        for (int y = rect.top(); y <= rect.bottom(); ++y, from += 3 * rect.width())
            std::memcpy(picture.scanLine(y) + 3 * rect.left(), from, size_t(3 * rect.width()));
    return picture;
}

} // namespace

class TestPicturePatch : public QObject {
    Q_OBJECT
private slots:
    // Each row names the tile arithmetic it would catch going wrong.
    void differingTilesAreCutToTheirRows_data()
    {
        QTest::addColumn<QList<QPoint>>("changes");
        QTest::addColumn<QRect>("within");
        QTest::addColumn<QList<QRect>>("rects");
        const QRect all(QPoint(0, 0), Size);
        QTest::newRow("nothing") << QList<QPoint>{} << all << QList<QRect>{};
        QTest::newRow("one pixel") << QList<QPoint>{{5, 7}} << all << QList<QRect>{{0, 7, 64, 1}};
        QTest::newRow("the last pixel, in the narrow tile") << QList<QPoint>{{149, 69}} << all
                                                            << QList<QRect>{{128, 69, 22, 1}};
        QTest::newRow("a run over a tile's edge") << QList<QPoint>{{63, 10}, {64, 10}} << all
                                                  << QList<QRect>{{0, 10, 64, 1}, {64, 10, 64, 1}};
        QTest::newRow("rows apart in one tile keep the rows between") << QList<QPoint>{{3, 2}, {40, 50}} << all
                                                                       << QList<QRect>{{0, 2, 64, 49}};
        QTest::newRow("over a band's edge") << QList<QPoint>{{5, 63}, {5, 64}} << all
                                            << QList<QRect>{{0, 63, 64, 1}, {0, 64, 64, 1}};
        QTest::newRow("only what lies within is looked at") << QList<QPoint>{{5, 7}, {100, 7}} << QRect(0, 0, 64, 70)
                                                            << QList<QRect>{{0, 7, 64, 1}};
        QTest::newRow("tiles are cut to within") << QList<QPoint>{{15, 7}, {17, 9}} << QRect(10, 5, 20, 30)
                                                 << QList<QRect>{{10, 7, 20, 3}};
        QTest::newRow("within reaching past the picture") << QList<QPoint>{{149, 0}} << QRect(140, -5, 100, 10)
                                                          << QList<QRect>{{140, 0, 10, 1}};
    }

    void differingTilesAreCutToTheirRows()
    {
        QFETCH(QList<QPoint>, changes);
        QFETCH(QRect, within);
        QFETCH(QList<QRect>, rects);
        const QImage before = noisePicture(Size);
        const QImage after = withChanges(before, changes);
        const std::optional<PicturePatch> patch = differingTiles(before, after, within, 1 << 20);
        QVERIFY(patch);
        QCOMPARE(patch->rects, rects);
        // The patch holds before's pixels: laid over after, it gives before back.
        if (std::all_of(changes.begin(), changes.end(), [&](QPoint p) { return within.contains(p); }))
            QCOMPARE(patched(after, *patch), before);
    }

    void aPatchOverTheLimitIsRefused()
    {
        const QImage before = noisePicture(Size);
        const QImage after = withChanges(before, {{0, 0}, {149, 69}});
        // One row of the first tile and one of the narrow last one.
        const qint64 bytes = 3 * (64 + 22);
        QVERIFY(differingTiles(before, after, before.rect(), bytes));
        QVERIFY(!differingTiles(before, after, before.rect(), bytes - 1));
    }

    void thePaddingAtTheEndOfARowIsNoDifference()
    {
        // 5 pixels: 15 bytes a row, padded to 16.
        QImage before = noisePicture(QSize(5, 4));
        QImage after = before.copy();
        QCOMPARE(before.bytesPerLine(), 16);
        for (int y = 0; y < 4; ++y) {
            before.scanLine(y)[15] = 0x11;
            after.scanLine(y)[15] = 0xEE;
        }
        const std::optional<PicturePatch> patch = differingTiles(before, after, before.rect(), 1 << 20);
        QVERIFY(patch && patch->isEmpty());
    }

    // The history's Undo and Redo: the same exchange twice gives back both pictures exactly,
    // and the picture exchanged from is left alone.
    void exchangingAPatchTwiceGivesBothPicturesBack_data()
    {
        QTest::addColumn<int>("extraStride");
        QTest::newRow("rows as QImage lays them") << 0;
        QTest::newRow("rows with a wider stride") << 8;
    }

    void exchangingAPatchTwiceGivesBothPicturesBack()
    {
        QFETCH(int, extraStride);
        const QImage before = noisePicture(Size);
        const QImage changed = withChanges(before, {{5, 7}, {70, 40}, {149, 69}, {63, 64}});
        // The same pixels in a buffer of another row length.
        const qsizetype stride = changed.bytesPerLine() + extraStride;
        QByteArray buffer(stride * Size.height(), '\0');
        for (int y = 0; y < Size.height(); ++y)
            std::memcpy(buffer.data() + y * stride, changed.constScanLine(y), size_t(3 * Size.width()));
        const QImage after(reinterpret_cast<const uchar *>(buffer.constData()), Size.width(), Size.height(), stride,
                           QImage::Format_BGR888);
        std::optional<PicturePatch> patch = differingTiles(before, after, before.rect(), 1 << 20);
        QVERIFY(patch);
        const QList<QRect> rects = patch->rects;
        const QImage back = exchangePatch(after, *patch);
        QCOMPARE(back, before);
        QCOMPARE(after, changed);
        QCOMPARE(patch->rects, rects);
        QCOMPARE(exchangePatch(back, *patch), changed);
        QCOMPARE(back, before);
    }
};
VP_TEST(TestPicturePatch)
#include "tst_picturepatch.moc"
