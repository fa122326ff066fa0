#include "document/dc.h"
#include "document/picturebox.h"
#include "imagelib/fill.h"
#include "fixture.h"
#include "testregistry.h"

#include <QSignalSpy>
#include <QTest>

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

class TestPictureBox : public QObject {
    Q_OBJECT
private slots:
    void canvasBorderTakesTwoPixelsEachSide()
    {
        PictureBox canvas(nullptr, 2);
        canvas.setWidthTwips(3750);
        canvas.setHeightTwips(3750);
        QCOMPARE(canvas.innerWidth(), 246);
        QCOMPARE(canvas.innerHeight(), 246);
        QCOMPARE(canvas.widthTwips(), 3750.0);
        QCOMPARE(canvas.image().size(), QSize(246, 246));
        QCOMPARE(canvas.image().format(), PictureFormat);
    }

    void storingAPictureSizesTheSurfaceAndRaisesChange()
    {
        PictureBox box(nullptr, 2);
        QSignalSpy change(&box, &PictureBox::pictureChanged);
        QSignalSpy resize(&box, &PictureBox::resized);
        box.setPicture(uniformPicture(QSize(10, 20), Red));
        QCOMPARE(box.innerSize(), QSize(10, 20));
        QCOMPARE(box.outerSizePixels(), QSize(14, 24));
        QCOMPARE(change.count(), 1);
        QCOMPARE(resize.count(), 1);
        box.setPicture(uniformPicture(QSize(10, 20), Green));
        QCOMPARE(change.count(), 2);
        QCOMPARE(resize.count(), 1); // same size: no resize
        // An empty picture keeps the size and shows the background.
        box.setBackColour(Blue);
        box.setPicture(QImage());
        QCOMPARE(box.innerSize(), QSize(10, 20));
        QCOMPARE(countColour(box.image(), Blue), 200);
    }

    void storingAPictureErasesWhatWasDrawn()
    {
        PictureBox box;
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
        PictureBox box(nullptr, 2);
        box.setPicture(noisePicture(QSize(40, 30)));
        box.setDrawWidth(3);
        box.line(QPointF(2, 25), QPointF(20, 25), Red);
        QSignalSpy change(&box, &PictureBox::pictureChanged);
        box.setPicture(next, rects);
        QCOMPARE(change.count(), 1);
        QCOMPARE(box.picture(), next);
        QCOMPARE(box.innerSize(), next.size());
        QCOMPARE(box.image(), next.convertToFormat(PictureFormat));
        box.cls();
        QCOMPARE(box.image(), next.convertToFormat(PictureFormat));
    }

    void aTransparentPictureShowsTheBackground()
    {
        PictureBox box;
        box.setBackColour(Green);
        QImage picture(4, 4, QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        picture.setPixel(1, 1, qRgb(255, 0, 0));
        box.setPicture(picture);
        QCOMPARE(pixelOf(box.image(), 0, 0), Green);
        QCOMPARE(pixelOf(box.image(), 1, 1), Red);
    }

    void clsBringsBackTheStoredPictureOnly()
    {
        PictureBox box;
        QImage picture = uniformPicture(QSize(20, 10), White);
        picture.setPixel(19, 9, qRgb(0, 0, 255));
        box.setPicture(picture);
        box.setDrawWidth(3);
        box.line(QPointF(2, 2), QPointF(15, 7), Red);
        box.circle(QPointF(10, 5), 4, Green);
        SetPixelV(box.dc(), 0, 9, Blue);
        box.cls();
        QCOMPARE(box.image(), picture);
    }

    void backColorEraseShowsTheNewColourUnderThePicture()
    {
        PictureBox box;
        box.setOuterSizePixels(QSize(6, 6));
        box.line(QPointF(0, 0), QPointF(5, 5), Red);
        box.setBackColour(Blue);
        QCOMPARE(countColour(box.image(), Blue), 36);
        // With a stored picture the picture stays over the new colour.
        box.setPicture(uniformPicture(QSize(6, 6), Green));
        box.line(QPointF(0, 0), QPointF(5, 5), Red);
        box.setBackColour(White);
        QCOMPARE(countColour(box.image(), Green), 36);
    }

    void resizeKeepsCropsAndFillsWithBackground()
    {
        PictureBox box(nullptr, 2);
        box.setBackColour(Blue);
        QImage picture = uniformPicture(QSize(4, 4), Red);
        picture.setPixel(3, 3, qRgb(0, 255, 0));
        box.setPicture(picture);
        QSignalSpy resize(&box, &PictureBox::resized);
        box.setWidthTwips((6 + 4) * 15);
        box.setHeightTwips((5 + 4) * 15);
        QCOMPARE(resize.count(), 2);
        QImage grown = box.image();
        QCOMPARE(grown.size(), QSize(6, 5));
        QCOMPARE(pixelOf(grown, 3, 3), Green);
        QCOMPARE(pixelOf(grown, 0, 0), Red);
        QCOMPARE(pixelOf(grown, 4, 0), Blue);
        QCOMPARE(pixelOf(grown, 0, 4), Blue);
        box.setWidthTwips((2 + 4) * 15);
        QCOMPARE(box.image().size(), QSize(2, 5));
        QCOMPARE(pixelOf(box.image(), 1, 1), Red);
        // The stored picture is not touched by a resize.
        QCOMPARE(box.picture(), picture);
    }

    void linesHaveRoundEndsAndAZeroLengthLineIsADot()
    {
        PictureBox box;
        box.setPicture(uniformPicture(QSize(21, 21), White));
        box.line(QPointF(4, 4), QPointF(4, 4), Red);
        QCOMPARE(countColour(box.image(), Red), 1);
        QCOMPARE(pixelOf(box.image(), 4, 4), Red);
        box.cls();
        box.setDrawWidth(7);
        box.line(QPointF(10, 10), QPointF(10, 10), Red);
        const QImage dot = box.image();
        QCOMPARE(pixelOf(dot, 10, 10), Red);
        QCOMPARE(pixelOf(dot, 7, 10), Red);
        QCOMPARE(pixelOf(dot, 10, 13), Red);
        QCOMPARE(pixelOf(dot, 7, 7), White); // round, not square
        QVERIFY(countColour(dot, Red) > 25 && countColour(dot, Red) < 49);
        QCOMPARE(box.currentPosition(), QPointF(10, 10));
        box.cls();
        box.setDrawWidth(1);
        box.lineTo(QPointF(10, 2), Red);
        QCOMPARE(pixelOf(box.image(), 10, 5), Red);
        QCOMPARE(box.currentPosition(), QPointF(10, 2));
    }

    void circleDrawsTheOutlineOnlyAndNothingForNoRadius()
    {
        PictureBox box;
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
        PictureBox canvas;
        PictureBox snapshot;
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
        const char *const names[] = {"line", "SetPixelV", "BitBlt onto itself", "StretchBlt onto itself",
                                     "Cls after a line", "the fill's colour replacement", "the pixel engine's write"};
        for (int writer = 0; writer < int(std::size(names)); ++writer)
            QTest::newRow(names[writer]) << writer;
    }
    void aStoredBitmapStaysAsItWasWhateverWritesNext()
    {
        QFETCH(int, writer);
        PictureBox box(nullptr, 2);
        box.setPicture(numberedPicture(QSize(40, 30), 0x00000000));
        box.line(QPointF(0, 0), QPointF(39, 29), Green);
        box.setPicture(box.image()); // as a commit stores it
        const QImage stored = box.picture();
        const QImage before = stored.copy();
        const Dc dc = box.dc();
        switch (writer) {
        case 0: box.line(QPointF(0, 29), QPointF(39, 0), Red); break;
        case 1: SetPixelV(dc, 5, 5, Red); break;
        case 2: BitBlt(dc, 3, 3, 20, 20, dc, 0, 0, RasterOp::Copy); break;
        case 3: StretchBlt(dc, 40, 0, -40, 30, dc, 0, 0, 40, 30, RasterOp::Copy); break;
        case 4:
            box.line(QPointF(0, 29), QPointF(39, 0), Red);
            box.cls();
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
        PictureBox box(nullptr, 2);
        box.setPicture(uniformPicture(QSize(8, 6), Red));
        box.replaceBitmap(uniformPicture(QSize(8, 5), Green));
        box.replaceBitmap(uniformPicture(QSize(8, 6), Green, QImage::Format_RGB32));
        QCOMPARE(box.image(), uniformPicture(QSize(8, 6), Red));
        box.replaceBitmap(uniformPicture(QSize(8, 6), Green));
        QCOMPARE(box.image(), uniformPicture(QSize(8, 6), Green));
        box.cls(); // the whole of it counts as drawn
        QCOMPARE(box.image(), uniformPicture(QSize(8, 6), Red));
    }

    void deviceContextReadsAndWritesInsideTheBitmapOnly()
    {
        PictureBox box(nullptr, 2);
        box.setPicture(uniformPicture(QSize(5, 5), Green));
        const Dc dc = box.dc();
        QCOMPARE(GetPixel(dc, 4, 4), Green);
        QCOMPARE(GetPixel(dc, 5, 0), CLR_INVALID);
        QCOMPARE(GetPixel(dc, -1, 0), CLR_INVALID);
        QVERIFY(!SetPixelV(dc, 5, 5, Red));
        QVERIFY(SetPixelV(dc, 2, 3, Red));
        QCOMPARE(GetPixel(dc, 2, 3), Red);
        QCOMPARE(pixelOf(box.picture(), 2, 3), Green); // drawing never changes the stored picture
    }

    void mouseCoordinatesAreMeasuredInsideTheBorder()
    {
        PictureBox box(nullptr, 2);
        box.setOuterSizePixels(QSize(50, 50));
        box.show();
        QSignalSpy down(&box, &PictureBox::mousePressed);
        QTest::mousePress(&box, Qt::RightButton, Qt::NoModifier, QPoint(12, 7));
        QCOMPARE(down.count(), 1);
        QCOMPARE(down.at(0).at(0).toFloat(), 10.0f);
        QCOMPARE(down.at(0).at(1).toFloat(), 5.0f);
    }
};
VP_TEST(TestPictureBox)
#include "tst_picturebox.moc"
