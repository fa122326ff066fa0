#include "document/stamppattern.h"
#include "imagelib/colour.h"
#include "testregistry.h"

#include <QTest>

#include <algorithm>
#include <cmath>

namespace {

constexpr Colour Black = 0x000000;
constexpr Colour White = 0xFFFFFF;
constexpr Colour MidGrey = 0x808080;

Colour at(const QImage &image, int x, int y)
{
    return pixelBGR(image.constScanLine(y) + 3 * x);
}

bool looksYellow(Colour c)
{
    return redOf(c) > 200 && greenOf(c) > 150 && blueOf(c) < 80;
}

// What the stamp does to the picture under it: AND with the mask, then OR with the face.
QImage stampOver(QImage picture, const QImage &mask, const QImage &face)
{
    for (int y = 0; y < picture.height(); ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < picture.width(); ++x)
            setPixelBGR(row + 3 * x, (pixelBGR(row + 3 * x) & at(mask, x, y)) | at(face, x, y));
    }
    return picture;
}

} // namespace

class TestStampPattern : public QObject {
    Q_OBJECT
private slots:
    void patternImagesAre24BitAndSameSize_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::newRow("mask") << StampPattern::defaultPattern().mask;
        QTest::newRow("face") << StampPattern::defaultPattern().face;
    }
    void patternImagesAre24BitAndSameSize()
    {
        QFETCH(QImage, image);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), QSize(62, 65));
        QCOMPARE(image.format(), PictureFormat);
    }

    void maskIsABlackDiscCentredOnWhite()
    {
        const QImage mask = StampPattern::defaultPattern().mask;
        double sumX = 0, sumY = 0;
        int count = 0, left = mask.width(), right = -1, top = mask.height(), bottom = -1;
        for (int y = 0; y < mask.height(); ++y) {
            for (int x = 0; x < mask.width(); ++x) {
                const Colour c = at(mask, x, y);
                QVERIFY2(c == Black || c == White, qPrintable(QStringLiteral("grey at %1,%2").arg(x).arg(y)));
                if (c != Black)
                    continue;
                sumX += x, sumY += y, ++count;
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
        }
        QVERIFY(count > 0);
        QVERIFY(qAbs(sumX / count - (mask.width() - 1) / 2.0) < 0.5);
        QVERIFY(qAbs(sumY / count - (mask.height() - 1) / 2.0) < 0.5);
        // A disc, not a square or an ellipse: as wide as tall, filling about pi/4 of its box.
        const int width = right - left + 1, height = bottom - top + 1;
        QVERIFY(width >= 50 && qAbs(width - height) <= 1);
        QVERIFY(qAbs(double(count) / (width * height) - M_PI / 4) < 0.03);
        QCOMPARE(at(mask, 0, 0), White);
        QCOMPARE(at(mask, 61, 64), White);
    }

    void faceIsBlackWhereverTheMaskLetsThePictureThrough()
    {
        const QImage mask = StampPattern::defaultPattern().mask, face = StampPattern::defaultPattern().face;
        for (int y = 0; y < mask.height(); ++y)
            for (int x = 0; x < mask.width(); ++x)
                if (at(mask, x, y) == White)
                    QCOMPARE(at(face, x, y), Black);
    }

    void faceIsMostlyYellowWithDarkFeatures()
    {
        const QImage face = StampPattern::defaultPattern().face;
        int yellow = 0, features = 0;
        for (int y = 0; y < face.height(); ++y) {
            for (int x = 0; x < face.width(); ++x) {
                const Colour c = at(face, x, y);
                if (looksYellow(c))
                    ++yellow;
                else if (c != Black)
                    ++features;
            }
        }
        QVERIFY(yellow > 2000);
        QVERIFY(features > 50); // eyes and a smile
    }

    void stampOverGreyLeavesGreyOutsideAndTheFaceInside()
    {
        const QImage mask = StampPattern::defaultPattern().mask, face = StampPattern::defaultPattern().face;
        QImage grey(mask.size(), PictureFormat);
        grey.fill(toQColor(MidGrey));
        const QImage stamped = stampOver(grey, mask, face);
        for (int y = 0; y < stamped.height(); ++y)
            for (int x = 0; x < stamped.width(); ++x)
                QCOMPARE(at(stamped, x, y), at(mask, x, y) == White ? MidGrey : at(face, x, y));
        QVERIFY(looksYellow(at(stamped, 31, 32)));
        QCOMPARE(at(stamped, 0, 0), MidGrey);
    }
};
VP_TEST(TestStampPattern)
#include "tst_stamppattern.moc"
