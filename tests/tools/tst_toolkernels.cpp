#include "fixture.h"
#include "imagelib/fill.h"
#include "testregistry.h"
#include "tools/stamp.h"

#include <QTest>

class TestToolKernels : public QObject {
    Q_OBJECT
private slots:
    void replaceColourGivesTheSameWhetherItsPixelsAreSharedOrNot()
    {
        const Colour target = makeColour(200, 100, 50), other = makeColour(1, 2, 3);
        const Colour before[] = {target ^ 1, target ^ 0x100, target ^ 0x10000, target, 0xFFFFFF};
        const Colour after[] = {target ^ 1, target ^ 0x100, target ^ 0x10000, other, 0xFFFFFF};
        for (bool shared : {false, true}) {
            QImage picture(5, 3, PictureFormat);
            picture.fill(toQColor(0));
            for (int x = 0; x < 5; ++x)
                picture.setPixel(x, 1, toQRgb(before[x]));
            const QImage original = shared ? picture : QImage();
            QCOMPARE(replaceColour(picture, 0xFFFFFFFFu, other), QRect());
            QCOMPARE(replaceColour(picture, target, other), QRect(3, 1, 1, 1));
            for (int x = 0; x < 5; ++x)
                QCOMPARE(pixelOf(picture, x, 1), after[x]);
            if (shared)
                QCOMPARE(pixelOf(original, 3, 1), target);
        }
    }

    // The replacement runs four pixels at a time: a fault at the seams (a run that starts or ends
    // inside a group, a row whose width is no multiple of four, the bounding rectangle) shows
    // against a plain pixel-by-pixel replacement.
    void replaceColourMatchesAPlainPassAtEveryWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("shared");
        for (int width = 1; width <= 13; ++width)
            for (bool shared : {false, true})
                QTest::addRow("%d wide, %s", width, shared ? "shared" : "its own") << width << shared;
    }
    void replaceColourMatchesAPlainPassAtEveryWidth()
    {
        QFETCH(int, width);
        QFETCH(bool, shared);
        const Colour target = makeColour(10, 20, 30), other = makeColour(200, 100, 0);
        // Rows of runs of the target of every length and place, mixed with near misses.
        QImage picture(width, 24, PictureFormat);
        unsigned seed = unsigned(width) * 7919u;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < width; ++x) {
                seed = seed * 1103515245u + 12345u;
                const unsigned pick = (seed >> 16) % 5;
                const Colour colour = pick < 3 ? target : pick == 3 ? (target ^ 0x010000) : (target ^ 1);
                picture.setPixel(x, y, toQRgb(y == 0 ? target : colour));
            }
        QImage expected = picture.copy();
        QRect expectedChange;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < width; ++x)
                if (pixelOf(expected, x, y) == target) {
                    expected.setPixel(x, y, toQRgb(other));
                    expectedChange |= QRect(x, y, 1, 1);
                }
        const QImage before = picture.copy();
        const QImage holder = shared ? picture : QImage();
        QCOMPARE(replaceColour(picture, target, other), expectedChange);
        QCOMPARE(picture, expected);
        if (shared)
            QCOMPARE(holder, before);
    }

    void stampAndsTheMaskThenOrsTheFaceClippedAtTheEdges()
    {
        QImage picture = uniformPicture(QSize(3, 3), 0x00303030);
        QImage mask = uniformPicture(QSize(2, 2), 0x00FFFFFF);
        mask.setPixel(0, 0, toQRgb(0));
        QImage face = uniformPicture(QSize(2, 2), 0x00000001);
        QCOMPARE(stampPattern(picture, mask, QPoint(-1, -1), face, QPoint(2, 2)), QRect(0, 0, 3, 3));
        QCOMPARE(pixelOf(picture, 0, 0), Colour(0x00303030)); // the mask's black pixel is cut off
        QCOMPARE(pixelOf(picture, 1, 1), Colour(0x00303030));
        QCOMPARE(pixelOf(picture, 2, 2), Colour(0x00303031)); // a white mask lets canvas OR face show
        QCOMPARE(stampPattern(picture, mask, QPoint(0, 0), face, QPoint(0, 0)), QRect(0, 0, 2, 2));
        QCOMPARE(pixelOf(picture, 0, 0), Colour(0x00000001));
        QCOMPARE(stampCorner(120, 120, 66, 69), QPoint(87, 86));
        QCOMPARE(stampCorner(121, 121, 66, 69), QPoint(88, 86));
    }
};
VP_TEST(TestToolKernels)
#include "tst_toolkernels.moc"
