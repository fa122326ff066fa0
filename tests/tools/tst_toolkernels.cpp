#include "fixture.h"
#include "testregistry.h"
#include "tools/fill.h"
#include "tools/random.h"
#include "tools/stamp.h"

#include <QTest>

class TestToolKernels : public QObject {
    Q_OBJECT
private slots:
    void replaceColourChangesExactMatchesOnly()
    {
        const Colour target = makeColour(200, 100, 50);
        QImage picture(5, 2, PictureFormat);
        const Colour row[] = {target, target ^ 1, target ^ 0x100, target ^ 0x10000, target};
        for (int x = 0; x < 5; ++x) {
            picture.setPixel(x, 0, toQRgb(row[x]));
            picture.setPixel(x, 1, toQRgb(x == 2 ? target : 0));
        }
        QCOMPARE(replaceColour(picture, target, 0x00ABCDEF), QRect(0, 0, 5, 2));
        const Colour expected[2][5] = {{0x00ABCDEF, target ^ 1, target ^ 0x100, target ^ 0x10000, 0x00ABCDEF},
                                       {0, 0, 0x00ABCDEF, 0, 0}};
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x)
                QCOMPARE(pixelOf(picture, x, y), expected[y][x]);
    }

    void replaceColourWithNothingToDoLeavesSharedPixelsAlone()
    {
        QImage picture = uniformPicture(QSize(4, 4), 0x00FFFFFF);
        const QImage shared = picture;
        for (Colour target : {CLR_INVALID, Colour(0x00123456), Colour(0x00FFFFFF)})
            QCOMPARE(replaceColour(picture, target, 0x00FFFFFF), QRect());
        QCOMPARE(picture.constBits(), shared.constBits());
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

    void randomNumbersStayBelowOneAndRepeatFromTheStart()
    {
        restartRandom();
        QList<float> first;
        for (int i = 0; i < 1000; ++i) {
            first << Rnd();
            QVERIFY(first.last() >= 0 && first.last() < 1);
        }
        restartRandom();
        for (float value : first)
            QCOMPARE(Rnd(), value);
    }
};
VP_TEST(TestToolKernels)
#include "tst_toolkernels.moc"
