#include "document/picturemodel.h"
#include "imagelib/fill.h"
#include "imagelib/picturememory.h"
#include "imagelib/raster.h"
#include "fixture.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

int countColour(const QImage &image, Colour colour)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += pixelOf(image, x, y) == colour;
    return n;
}
} // namespace

class TestPictureModel : public QObject {
    Q_OBJECT
private slots:
    void canvasBorderTakesTwoPixelsEachSide()
    {
        PictureModel canvas(2, QSize(250, 250));
        QCOMPARE(canvas.size(), QSize(246, 246));
        QCOMPARE(canvas.outerSize(), QSize(250, 250));
        QCOMPARE(canvas.image().size(), QSize(246, 246));
        QCOMPARE(canvas.image().format(), PictureFormat);
    }

    void storingAPictureSizesTheSurfaceAndRaisesChange()
    {
        PictureModel box(2);
        QSignalSpy change(&box, &PictureModel::pictureChanged);
        QSignalSpy resize(&box, &PictureModel::resized);
        box.setPicture(uniformPicture(QSize(10, 20), Red));
        QCOMPARE(box.size(), QSize(10, 20));
        QCOMPARE(box.outerSize(), QSize(14, 24));
        QCOMPARE(change.count(), 1);
        QCOMPARE(resize.count(), 1);
        box.setPicture(uniformPicture(QSize(10, 20), Green));
        QCOMPARE(change.count(), 2);
        QCOMPARE(resize.count(), 1); // same size: no resize
        // An empty picture keeps the size and shows the background.
        box.setBackgroundColour(Blue);
        box.setPicture(QImage());
        QCOMPARE(box.size(), QSize(10, 20));
        QCOMPARE(countColour(box.image(), Blue), 200);
    }

    void storingAPictureErasesWhatWasDrawn()
    {
        PictureModel box;
        box.setPicture(uniformPicture(QSize(8, 8), Red));
        box.line(QPointF(1, 1), QPointF(6, 6), Green);
        QVERIFY(countColour(box.image(), Green) > 0);
        box.setPicture(uniformPicture(QSize(8, 8), Blue));
        QCOMPARE(countColour(box.image(), Blue), 64);
    }

    // Undo and Redo store a picture a few tiles apart from the stored one: the bitmap must come
    // out as the new picture exactly, what was drawn since the last commit erased too, and a
    // picture of another size or format must not be patched into a bitmap it does not fit.
    void storingAPictureThatDiffersInAFewRectanglesShowsItExactly_data()
    {
        QTest::addColumn<QImage>("next");
        QTest::addColumn<QList<QRect>>("rects");
        const QImage first = noisePicture(QSize(40, 30));
        QImage changed = first.copy();
        for (const QRect &rect : {QRect(0, 0, 5, 2), QRect(30, 20, 10, 10)})
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                std::memset(changed.scanLine(y) + 3 * rect.left(), 0x7F, size_t(3 * rect.width()));
        QTest::newRow("a few tiles") << changed << QList<QRect>{{0, 0, 5, 2}, {30, 20, 10, 10}};
        QTest::newRow("another size") << noisePicture(QSize(30, 40)) << QList<QRect>{};
        QTest::newRow("another format") << changed.convertToFormat(QImage::Format_RGB32) << QList<QRect>{};
    }

    void storingAPictureThatDiffersInAFewRectanglesShowsItExactly()
    {
        QFETCH(QImage, next);
        QFETCH(QList<QRect>, rects);
        PictureModel box(2);
        box.setPicture(noisePicture(QSize(40, 30)));
        box.setPenWidth(3);
        box.line(QPointF(2, 25), QPointF(20, 25), Red);
        QSignalSpy change(&box, &PictureModel::pictureChanged);
        box.setPicture(next, rects);
        QCOMPARE(change.count(), 1);
        QCOMPARE(box.picture(), next);
        QCOMPARE(box.size(), next.size());
        QCOMPARE(box.image(), next.convertToFormat(PictureFormat));
        box.eraseDrawing();
        QCOMPARE(box.image(), next.convertToFormat(PictureFormat));
    }

    void aTransparentPictureShowsTheBackground()
    {
        PictureModel box;
        box.setBackgroundColour(Green);
        QImage picture(4, 4, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixel(1, 1, qRgb(255, 0, 0));
        box.setPicture(picture);
        QCOMPARE(pixelOf(box.image(), 0, 0), Green);
        QCOMPARE(pixelOf(box.image(), 1, 1), Red);
    }

    void clsBringsBackTheStoredPictureOnly()
    {
        PictureModel box;
        QImage picture = uniformPicture(QSize(20, 10), White);
        picture.setPixel(19, 9, qRgb(0, 0, 255));
        box.setPicture(picture);
        box.setPenWidth(3);
        box.line(QPointF(2, 2), QPointF(15, 7), Red);
        box.circle(QPointF(10, 5), 4, Green);
        setPixelAt(box.bitmapForWrite(), 0, 9, Blue);
        box.markDrawn(QRect(0, 9, 1, 1));
        box.eraseDrawing();
        QCOMPARE(box.image(), picture);
    }

    void backColorEraseShowsTheNewColourUnderThePicture()
    {
        PictureModel box;
        box.setOuterSize(QSize(6, 6));
        box.line(QPointF(0, 0), QPointF(5, 5), Red);
        box.setBackgroundColour(Blue);
        QCOMPARE(countColour(box.image(), Blue), 36);
        // With a stored picture the picture stays over the new colour.
        box.setPicture(uniformPicture(QSize(6, 6), Green));
        box.line(QPointF(0, 0), QPointF(5, 5), Red);
        box.setBackgroundColour(White);
        QCOMPARE(countColour(box.image(), Green), 36);
    }

    void resizeKeepsCropsAndFillsWithBackground()
    {
        PictureModel box(2);
        box.setBackgroundColour(Blue);
        QImage picture = uniformPicture(QSize(4, 4), Red);
        picture.setPixel(3, 3, qRgb(0, 255, 0));
        box.setPicture(picture);
        QSignalSpy resize(&box, &PictureModel::resized);
        QVERIFY(box.setOuterSize(QSize(6 + 4, 5 + 4)));
        QCOMPARE(resize.count(), 1);
        QImage grown = box.image();
        QCOMPARE(grown.size(), QSize(6, 5));
        QCOMPARE(pixelOf(grown, 3, 3), Green);
        QCOMPARE(pixelOf(grown, 0, 0), Red);
        QCOMPARE(pixelOf(grown, 4, 0), Blue);
        QCOMPARE(pixelOf(grown, 0, 4), Blue);
        box.setOuterSize(QSize(2 + 4, 5 + 4));
        QCOMPARE(box.image().size(), QSize(2, 5));
        QCOMPARE(pixelOf(box.image(), 1, 1), Red);
        // The stored picture is not touched by a resize.
        QCOMPARE(box.picture(), picture);
    }

    void linesHaveRoundEndsAndAZeroLengthLineIsADot()
    {
        PictureModel box;
        box.setPicture(uniformPicture(QSize(21, 21), White));
        box.line(QPointF(4, 4), QPointF(4, 4), Red);
        QCOMPARE(countColour(box.image(), Red), 1);
        QCOMPARE(pixelOf(box.image(), 4, 4), Red);
        box.eraseDrawing();
        box.setPenWidth(7);
        box.line(QPointF(10, 10), QPointF(10, 10), Red);
        const QImage dot = box.image();
        QCOMPARE(pixelOf(dot, 10, 10), Red);
        QCOMPARE(pixelOf(dot, 7, 10), Red);
        QCOMPARE(pixelOf(dot, 10, 13), Red);
        QCOMPARE(pixelOf(dot, 7, 7), White); // round, not square
        QVERIFY(countColour(dot, Red) > 25 && countColour(dot, Red) < 49);
        QCOMPARE(box.penPosition(), QPointF(10, 10));
        box.eraseDrawing();
        box.setPenWidth(1);
        box.lineTo(QPointF(10, 2), Red);
        QCOMPARE(pixelOf(box.image(), 10, 5), Red);
        QCOMPARE(box.penPosition(), QPointF(10, 2));
    }

    void circleDrawsTheOutlineOnlyAndNothingForNoRadius()
    {
        PictureModel box;
        box.setPicture(uniformPicture(QSize(41, 41), White));
        box.circle(QPointF(20, 20), 0, Red);
        box.circle(QPointF(20, 20), -5, Red);
        QCOMPARE(countColour(box.image(), Red), 0);
        box.circle(QPointF(20, 20), 10, Red);
        const QImage ring = box.image();
        QCOMPARE(pixelOf(ring, 20, 20), White);
        QVERIFY(pixelOf(ring, 30, 20) == Red || pixelOf(ring, 29, 20) == Red);
        QVERIFY(pixelOf(ring, 20, 10) == Red || pixelOf(ring, 20, 11) == Red);
        QCOMPARE(pixelOf(ring, 34, 20), White);
    }

    void hiddenSurfacesSharePicturesInsteadOfCopying()
    {
        PictureModel canvas;
        PictureModel snapshot;
        const QImage picture = uniformPicture(QSize(50, 40), Red);
        canvas.setPicture(picture);
        snapshot.setPicture(canvas.picture());
        QCOMPARE(snapshot.image().constBits(), picture.constBits());
        // drawing on the canvas leaves the shared picture alone.
        canvas.line(QPointF(0, 0), QPointF(10, 10), Green);
        QCOMPARE(pixelOf(picture, 0, 0), Red);
        QCOMPARE(pixelOf(snapshot.image(), 0, 0), Red);
    }

    // After a commit the bitmap, the stored picture and whoever else holds it (the snapshot, the
    // history, the temp file's writer) share one set of pixels until the next drawing: every way
    // of writing the bitmap must first give it pixels of its own.
    void aStoredBitmapStaysAsItWasWhateverWritesNext_data()
    {
        QTest::addColumn<int>("writer");
        const char *const names[] = {"line", "a pixel", "a blit onto itself", "a mirrored stretch onto itself",
                                     "Cls after a line", "the fill's colour replacement", "the pixel engine's write"};
        for (int writer = 0; writer < int(std::size(names)); ++writer)
            QTest::newRow(names[writer]) << writer;
    }
    void aStoredBitmapStaysAsItWasWhateverWritesNext()
    {
        QFETCH(int, writer);
        PictureModel box(2);
        box.setPicture(numberedPicture(QSize(40, 30), 0x00000000));
        box.line(QPointF(0, 0), QPointF(39, 29), Green);
        box.setPicture(box.image()); // as a commit stores it
        const QImage stored = box.picture();
        const QImage before = stored.copy();
        const QImage shown = box.bitmapForRead();
        switch (writer) {
        case 0: box.line(QPointF(0, 29), QPointF(39, 0), Red); break;
        case 1: box.markDrawn(setPixelAt(box.bitmapForWrite(), 5, 5, Red) ? QRect(5, 5, 1, 1) : QRect()); break;
        case 2: box.markDrawn(blit(box.bitmapForWrite(), 3, 3, 20, 20, shown, 0, 0, RasterOp::Copy)); break;
        case 3: box.markDrawn(stretchBlit(box.bitmapForWrite(), 40, 0, -40, 30, shown, 0, 0, 40, 30)); break;
        case 4:
            box.line(QPointF(0, 29), QPointF(39, 0), Red);
            box.eraseDrawing();
            break;
        case 5: box.markDrawn(replaceColour(box.bitmapForRewrite(), Green, Red)); break;
        case 6: box.pictureForWrite().setPixel(1, 1, toQRgb(Red)); break;
        }
        QCOMPARE(stored, before);
        if (writer != 6)
            QCOMPARE(box.picture(), before);
        QVERIFY(box.image() != before || writer == 4);
    }

    // A stretch that covers the whole surface becomes its bitmap; anything else is not taken.
    void replaceBitmapTakesOnlyAWholeBitmap()
    {
        PictureModel box(2);
        box.setPicture(uniformPicture(QSize(8, 6), Red));
        box.replaceBitmap(uniformPicture(QSize(8, 5), Green));
        box.replaceBitmap(uniformPicture(QSize(8, 6), Green, QImage::Format_RGB32));
        QCOMPARE(box.image(), uniformPicture(QSize(8, 6), Red));
        box.replaceBitmap(uniformPicture(QSize(8, 6), Green));
        QCOMPARE(box.image(), uniformPicture(QSize(8, 6), Green));
        box.eraseDrawing(); // the whole of it counts as drawn
        QCOMPARE(box.image(), uniformPicture(QSize(8, 6), Red));
    }

    void pixelReadsStayInsideTheBitmapAndDrawingLeavesTheStoredPicture()
    {
        PictureModel box(2);
        box.setPicture(uniformPicture(QSize(5, 5), Green));
        QCOMPARE(box.pixel(4, 4), std::optional(Green));
        QVERIFY(!box.pixel(5, 0));
        QVERIFY(!box.pixel(-1, 0));
        box.line(QPointF(2, 3), QPointF(2, 3), Red);
        QCOMPARE(box.pixel(2, 3), std::optional(Red));
        QCOMPARE(pixelOf(box.picture(), 2, 3), Green);
    }

    // What was drawn is kept as tiles: a diagonal stroke is a chain of them, not its bounding box,
    // and no drawn pixel may lie outside them (erasing, the history and the temp file rely on it).
    void aDiagonalStrokeIsAChainOfTilesHoldingEveryPixelDrawn()
    {
        PictureModel box(2);
        const QImage picture = noisePicture(QSize(640, 480));
        box.setPicture(picture);
        box.setPenWidth(5);
        box.line(QPointF(0, 0), QPointF(639, 479), Red);
        box.line(QPointF(639, 0), QPointF(620, 10), Green);
        box.circle(QPointF(330, 240), 230, Blue);
        const QList<QRect> tiles = box.drawnArea().rects();
        qint64 area = 0;
        for (const QRect &tile : tiles) {
            QVERIFY(QRect(0, 0, 640, 480).contains(tile));
            area += qint64(tile.width()) * tile.height();
        }
        QVERIFY(area < 640 * 480 * 2 / 3);
        const QImage drawn = box.image();
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (pixelOf(drawn, x, y) != pixelOf(picture, x, y))
                    QVERIFY2(std::any_of(tiles.begin(), tiles.end(), [&](const QRect &t) { return t.contains(x, y); }),
                             qPrintable(QStringLiteral("%1,%2 drawn outside the tiles").arg(x).arg(y)));
        // Stored as a commit stores it, the picture says where it differs from the one before.
        const qint64 before = box.picture().cacheKey();
        box.setPicture(box.image());
        QCOMPARE(box.lastChange().base, before);
        QCOMPARE(box.lastChange().within, tiles);
        QVERIFY(box.drawnArea().isEmpty());
    }

    // A view that keeps reduced copies needs to know which pixels a new stored picture changed:
    // the picture it showed before comes with the signal, whatever the bitmap was.
    // Fault: erasing a drawing over a bitmap others share cloned it for the first rectangle and
    // then copied nearly every page one fault at a time (every Flip paid that).
    void erasingMuchOfASharedBitmapCopiesItWholeRatherThanCloneIt()
    {
        PictureModel canvas;
        const QImage stored = copiedPicture(uniformPicture(QSize(1000, 1000), Red));
        canvas.setPicture(stored);
        QImage &bitmap = canvas.bitmapForWrite(QRect(0, 0, 1000, 1000));
        bitmap.fill(Qt::blue);
        canvas.markDrawn(bitmap.rect());
        QVERIFY(canvas.drawnArea().rects().size() > 1);
        const QImage shared = canvas.image(); // as the snapshot holds it
        canvas.eraseDrawing();
        QCOMPARE(canvas.image(), stored);
        QVERIFY(pictureMemoryKind(canvas.image()) != PictureMemoryKind::Clone);
        QCOMPARE(pixelOf(shared, 999, 999), Blue);
    }

    void replacingThePictureTellsWhatWasShownBefore()
    {
        PictureModel box(2);
        const QImage first = uniformPicture(QSize(6, 4), Red);
        box.setPicture(first);
        QSignalSpy replaced(&box, &PictureModel::pictureReplaced);
        box.line(QPointF(1, 1), QPointF(1, 1), Green);
        const QImage drawn = box.image();
        box.setPicture(uniformPicture(QSize(6, 4), Blue));
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(replaced.at(0).at(0).value<QImage>(), drawn);
        // Storing the bitmap itself (a commit) replaces nothing that is shown.
        box.setPicture(box.image());
        QCOMPARE(replaced.count(), 1);
    }
};
VP_TEST(TestPictureModel)
#include "tst_picturemodel.moc"
