#include "imagelib/colour.h"
#include "imagelib/rotate.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>
#include <cmath>

namespace {

const Colour Untouched = makeColour(1, 2, 3);

// Every source pixel differs: red and green carry x and y.
QImage numbered(int w, int h) { return numberedPicture(QSize(w, h), makeColour(100, 100, 200)); }

QImage blank(int w, int h)
{
    QImage image(w, h, PictureFormat);
    image.fill(toQColor(Untouched));
    return image;
}

Colour at(const QImage &image, int x, int y) { return pixelBGR(image.constScanLine(y) + 3 * x); }
QPoint sourceOf(Colour c) { return c == Untouched ? QPoint(-1, -1) : QPoint(redOf(c) - 100, greenOf(c) - 100); }
QPoint whereIs(const QImage &dst, QPoint source)
{
    for (int y = 0; y < dst.height(); ++y)
        for (int x = 0; x < dst.width(); ++x)
            if (sourceOf(at(dst, x, y)) == source)
                return {x, y};
    return {-1, -1};
}

// About the picture's centre onto a canvas of the same size, as the Rotate command does.
QImage turned(const QImage &src, double angle)
{
    QImage dst = blank(src.width(), src.height());
    const int cx = src.width() / 2, cy = src.height() / 2;
    rotatePicture(src, dst, angle, 0, 0, src.width() - 1, src.height() - 1, cx, cy, cx, cy);
    return dst;
}

} // namespace

class TestRotate : public QObject {
    Q_OBJECT
private slots:
    void zeroAngleRedrawsEveryPixelInPlace() { QCOMPARE(turned(numbered(7, 4), 0.0), numbered(7, 4)); }
    // Row 0 and column 0 are turned like every other row and column.
    void quarterTurnIsCounterClockwise()
    {
        const QImage dst = turned(numbered(7, 7), 90 * 3.14159265358979 / 180);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x) {
                const QPoint from = sourceOf(at(dst, x, y));
                QVERIFY2(std::abs(from.x() - (6 - y)) <= 1 && std::abs(from.y() - x) <= 1,
                         qPrintable(QString("(%1,%2) from (%3,%4)").arg(x).arg(y).arg(from.x()).arg(from.y())));
            }
    }
    void cornersOutsideTheTurnedPictureKeepTheCanvas()
    {
        const QImage dst = turned(numbered(9, 9), M_PI / 4);
        for (const QPoint corner : {QPoint(0, 0), QPoint(8, 0), QPoint(0, 8), QPoint(8, 8)})
            QCOMPARE(at(dst, corner.x(), corner.y()), Untouched);
        QCOMPARE(sourceOf(at(dst, 4, 4)), QPoint(4, 4));
    }
    void negativeAngleTurnsClockwise()
    {
        // A pixel 10 right of the centre swings down to about (15 + 8.7, 15 + 5).
        const QImage dst = turned(numbered(31, 31), -30 * M_PI / 180);
        const QPoint landed = whereIs(dst, QPoint(25, 15));
        QVERIFY(std::abs(landed.x() - 23.66) <= 1 && std::abs(landed.y() - 20) <= 1);
    }
    // Off-centre, non-square, partial and oversized rectangles, and the picture rotated onto
    // itself, against the mapping evaluated pixel by pixel.
    void matchesThePixelByPixelMapping()
    {
        struct Case { double degrees; QRect rect; QPoint centre, target; bool ontoItself; };
        const QRect whole(0, 0, 40, 23);
        const Case cases[] = {{17, whole, {20, 12}, {25, 14}, false},   {-100, whole, {20, 12}, {25, 14}, false},
                              {135, whole, {20, 12}, {25, 14}, false},  {271, whole, {20, 12}, {25, 14}, false},
                              {40, {5, 3, 20, 12}, {15, 9}, {8, 20}, false}, {-23, {-5, -5, 60, 40}, {20, 12}, {20, 12}, false},
                              {33, whole, {20, 12}, {20, 12}, true}};
        for (const Case &t : cases) {
            const double angle = t.degrees * M_PI / 180, s = std::sin(angle), c = std::cos(angle);
            const QImage src = numbered(40, 23);
            QImage dst = t.ontoItself ? src.copy() : blank(37, 29);
            const QImage before = dst.copy();
            const QImage &from = t.ontoItself ? dst : src; // the very same picture, not a copy
            rotatePicture(from, dst, angle, t.rect.left(), t.rect.top(), t.rect.right(), t.rect.bottom(),
                          t.centre.x(), t.centre.y(), t.target.x(), t.target.y());
            const QRect inside = t.rect & whole;
            double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
            for (const QPoint corner : {t.rect.topLeft(), t.rect.bottomLeft(), t.rect.topRight(), t.rect.bottomRight()}) {
                const double a = corner.x() - t.centre.x(), b = corner.y() - t.centre.y();
                const double X = std::nearbyint(a * c + b * s + t.target.x()), Y = std::nearbyint(-a * s + b * c + t.target.y());
                minX = std::min(minX, X), maxX = std::max(maxX, X), minY = std::min(minY, Y), maxY = std::max(maxY, Y);
            }
            for (int Y = 0; Y < dst.height(); ++Y)
                for (int X = 0; X < dst.width(); ++X) {
                    const int p = X - t.target.x(), q = Y - t.target.y();
                    const QPoint from(int(p * c - q * s + t.centre.x()), int(p * s + q * c + t.centre.y()));
                    const bool mapped = X >= minX && X <= maxX && Y >= minY && Y <= maxY && inside.contains(from);
                    QCOMPARE(at(dst, X, Y), mapped ? at(src, from.x(), from.y()) : at(before, X, Y));
                }
        }
    }
};
VP_TEST(TestRotate)
#include "tst_rotate.moc"
