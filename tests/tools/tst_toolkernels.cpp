#include "fixture.h"
#include "testregistry.h"
#include "tools/stamp.h"

#include <QTest>

class TestToolKernels : public QObject {
    Q_OBJECT
private slots:
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
