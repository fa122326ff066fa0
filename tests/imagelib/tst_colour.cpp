#include "imagelib/colour.h"
#include "testregistry.h"

#include <QTest>

class TestColour : public QObject {
    Q_OBJECT
private slots:
    void colourKeepsRedInTheLowByte()
    {
        QCOMPARE(makeColour(0x11, 0x22, 0x33), Colour(0x00332211));
        QCOMPARE(toQRgb(0x000000FF), qRgb(255, 0, 0));
        QCOMPARE(fromQRgb(qRgb(1, 2, 3)), Colour(0x00030201));
    }
    void bgrPixelsStoreBlueFirst()
    {
        QImage image(1, 1, PictureFormat);
        setPixelBGR(image.scanLine(0), makeColour(10, 20, 30));
        QCOMPARE(int(image.constScanLine(0)[0]), 30);
        QCOMPARE(image.pixel(0, 0), qRgb(10, 20, 30));
    }
};
VP_TEST(TestColour)
#include "tst_colour.moc"
