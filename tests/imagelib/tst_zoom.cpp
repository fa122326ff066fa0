#include "imagelib/zoom.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <random>

namespace {

// The area mean of what view pixel (vx, vy) covers, in floating point, for one byte of the pixel.
double areaMean(const QImage &source, double scale, int vx, int vy, int byte)
{
    auto overlap = [scale](int v, int j) {
        return std::max(0.0, std::min((v + 1) / scale, j + 1.0) - std::max(v / scale, double(j)));
    };
    double sum = 0, area = 0;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x) {
            const double weight = overlap(vx, x) * overlap(vy, y);
            sum += weight * source.constScanLine(y)[3 * x + byte];
            area += weight;
        }
    return sum / area;
}

// Blue, green, red of a Format_RGB32 view pixel, in the byte order of the source pictures.
int viewByte(const QImage &view, int x, int y, int byte)
{
    const QRgb rgb = view.pixel(x, y);
    return byte == 0 ? qBlue(rgb) : byte == 1 ? qGreen(rgb) : qRed(rgb);
}

} // namespace

class TestZoom : public QObject {
    Q_OBJECT
private slots:
    // A view pixel and the pointer must name the same picture pixel; 1 / 3 is not exact in binary,
    // and a quotient that falls a hair short would put a tool one pixel off what is shown.
    void viewAndPictureCoordinatesAgree_data()
    {
        QTest::addColumn<double>("zoom");
        for (double zoom : {1.0 / 8, 1.0 / 3, 2.0 / 3, 0.1683, 0.2345, 1.0, 1.5, 3.0, 32.0})
            QTest::addRow("%g", zoom) << zoom;
    }
    void viewAndPictureCoordinatesAgree()
    {
        QFETCH(double, zoom);
        // viewCoordinate(i) is the first view pixel at or past picture pixel i; from 100 % up
        // every picture pixel has view pixels of its own, so it is exactly pixel i.
        for (int i = 0; i <= 700; ++i) {
            const int v = Zoom::viewCoordinate(i, zoom);
            if (zoom >= 1)
                QCOMPARE(Zoom::pictureCoordinate(v, zoom), i);
            QVERIFY(Zoom::pictureCoordinate(v, zoom) >= i);
            QVERIFY(Zoom::pictureCoordinate(v - 1, zoom) < i);
        }
    }

    void pictureCoordinateRoundsDown_data()
    {
        QTest::addColumn<double>("view");
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("pixel");
        QTest::newRow("a third: 100 view pixels are 300 picture pixels") << 100.0 << 1.0 / 3 << 300;
        QTest::newRow("a third: one view pixel covers three") << 1.0 << 1.0 / 3 << 3;
        QTest::newRow("an eighth") << 7.0 << 0.125 << 56;
        // 101 / (101 / 2000.0) comes out below 2000 in floating point.
        QTest::newRow("2000 pixels fitted into 101") << 101.0 << 101.0 / 2000 << 2000;
        QTest::newRow("150 %: the first view pixel of pixel 1") << 2.0 << 1.5 << 1;
        QTest::newRow("150 %: still pixel 0") << 1.0 << 1.5 << 0;
        QTest::newRow("left of the picture") << -1.0 << 2.0 << -1;
        QTest::newRow("100 %, a fraction left of it") << -0.5 << 1.0 << -1;
    }
    void pictureCoordinateRoundsDown()
    {
        QFETCH(double, view);
        QFETCH(double, zoom);
        QFETCH(int, pixel);
        QCOMPARE(Zoom::pictureCoordinate(view, zoom), pixel);
    }

    // A view length one too long at the fitting zoom brings up a scrollbar for nothing.
    void viewSizeIsExactWhereTheZoomDivides()
    {
        QCOMPARE(Zoom::viewSize(QSize(300, 900), 1.0 / 3), QSize(100, 300));
        QCOMPARE(Zoom::viewSize(QSize(4000, 3000), 996.0 / 3000), QSize(1328, 996));
        QCOMPARE(Zoom::viewSize(QSize(2000, 2007), 101.0 / 2000).width(), 101);
        QCOMPARE(Zoom::viewSize(QSize(2000, 2007), 507.0 / 2007).height(), 507); // 2007 * z is above 507
        QCOMPARE(Zoom::viewSize(QSize(7, 5), 1.5), QSize(11, 8));
        QCOMPARE(Zoom::viewRect(QRect(2, 3, 2, 1), 1.5), QRect(3, 5, 3, 1));
    }

    // The view makes a deep halving in one go, without the pictures in between: it must round at
    // every halving as those would, odd edges and a part of the picture included.
    void reducingSeveralTimesIsHalvingAsOften_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("times");
        QTest::addColumn<QRect>("part"); // of the result; empty for all of it
        QTest::newRow("even, once") << QSize(64, 32) << 1 << QRect();
        QTest::newRow("odd, twice") << QSize(37, 23) << 2 << QRect();
        QTest::newRow("odd, four times") << QSize(101, 67) << 4 << QRect();
        QTest::newRow("a column, three times") << QSize(1, 45) << 3 << QRect();
        QTest::newRow("a part, three times") << QSize(203, 131) << 3 << QRect(5, 3, 11, 7);
    }
    void reducingSeveralTimesIsHalvingAsOften()
    {
        QFETCH(QSize, size);
        QFETCH(int, times);
        QFETCH(QRect, part);
        QImage expected = noisePicture(size, PictureFormat, 21);
        const QImage source = expected;
        for (int k = 0; k < times; ++k) {
            QImage half((expected.width() + 1) / 2, (expected.height() + 1) / 2, PictureFormat);
            halvePicture(expected, half, half.rect());
            expected = half;
        }
        QImage reduced(expected.size(), PictureFormat);
        reduced.fill(Qt::black);
        reducePicture(source, reduced, part.isEmpty() ? reduced.rect() : part, times);
        if (part.isEmpty()) {
            QCOMPARE(reduced, expected);
        } else {
            QCOMPARE(reduced.copy(part), expected.copy(part));
            QCOMPARE(pixelOf(reduced, part.left() - 1, part.top()), Colour(0));
        }
    }

    // Fault: the vector step picks the wrong bytes of its sums, or its last step reads or writes
    // beyond the blocks it was given. Widths around its 16-pixel step, parts from odd columns.
    void halvingMatchesTheMeanOfEveryBlock()
    {
        for (const int width : {1, 2, 33, 34, 35, 64, 65, 66, 97, 129, 1001}) {
            const QImage source = noisePicture(QSize(width, 5), PictureFormat, width);
            QImage half((width + 1) / 2, 3, PictureFormat);
            for (const QRect part : {half.rect(), QRect(1, 0, half.width() - 1, 3), QRect(3, 1, half.width() - 5, 1)}) {
                half.fill(Qt::black);
                halvePicture(source, half, part);
                for (int y = 0; y < half.height(); ++y) {
                    for (int x = 0; x < half.width(); ++x) {
                        int expected[3] = {0, 0, 0};
                        if (part.contains(x, y)) {
                            const int x1 = std::min(2 * x + 1, width - 1), y1 = std::min(2 * y + 1, 4);
                            const int n = (x1 - 2 * x + 1) * (y1 - 2 * y + 1);
                            for (int c = 0; c < 3; ++c) {
                                for (int sy = 2 * y; sy <= y1; ++sy)
                                    for (int sx = 2 * x; sx <= x1; ++sx)
                                        expected[c] += source.constScanLine(sy)[3 * sx + c];
                                expected[c] = (expected[c] + n / 2) / n;
                            }
                        }
                        const uchar *got = half.constScanLine(y) + 3 * x;
                        if (got[0] != expected[0] || got[1] != expected[1] || got[2] != expected[2])
                            QFAIL(qPrintable(QStringLiteral("width %1, part x %2: pixel %3,%4").arg(width).arg(part.x()).arg(x).arg(y)));
                    }
                }
            }
        }
    }

    void halvingAveragesBlocksAndOddEdges()
    {
        QImage source(3, 3, QImage::Format_BGR888);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                source.setPixel(x, y, qRgb(10 * (3 * y + x), 0, 0));
        QImage half(2, 2, QImage::Format_BGR888);
        half.fill(Qt::white);
        halvePicture(source, half, QRect(0, 0, 1, 2));
        QCOMPARE(qRed(half.pixel(0, 0)), 20); // 0, 10, 30, 40
        QCOMPARE(qRed(half.pixel(0, 1)), 65); // 60, 70: half up
        QCOMPARE(half.pixel(1, 0), qRgb(255, 255, 255)); // outside the rectangle asked for
        halvePicture(source, half, half.rect());
        QCOMPARE(qRed(half.pixel(1, 0)), 35); // 20, 50
        QCOMPARE(qRed(half.pixel(1, 1)), 80); // the corner alone
    }

    // Dyadic scales hit whole fixed-point weights and must give the rounded mean exactly; others
    // keep within one level of it.
    void shrinkIsTheAreaMean_data()
    {
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("tolerance");
        QTest::newRow("1") << 1.0 << 0;
        QTest::newRow("1/2") << 0.5 << 0;
        QTest::newRow("1/4") << 0.25 << 0;
        QTest::newRow("2/3") << 2.0 / 3 << 1;
        QTest::newRow("3/4") << 0.75 << 1;
        QTest::newRow("0.3") << 0.3 << 1;
    }
    void shrinkIsTheAreaMean()
    {
        QFETCH(double, scale);
        QFETCH(int, tolerance);
        const QImage source = randomBytesPicture(QSize(36, 24), 5); // sides the dyadic scales divide
        const QSize size = Zoom::viewSize(source.size(), scale);
        QImage view(size, QImage::Format_RGB32);
        shrinkToView(source, scale, QRect(QPoint(0, 0), size), view);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                for (int byte = 0; byte < 3; ++byte) {
                    const int expected = int(std::floor(areaMean(source, scale, x, y, byte) + 0.5));
                    if (std::abs(viewByte(view, x, y, byte) - expected) > tolerance)
                        QFAIL(qPrintable(QStringLiteral("view pixel %1,%2 byte %3 is %4, the mean %5")
                                             .arg(x).arg(y).arg(byte).arg(viewByte(view, x, y, byte)).arg(expected)));
                }
    }

    void shrinkOfAUniformAreaIsExactlyItsColour()
    {
        QImage source(29, 31, QImage::Format_BGR888);
        source.fill(QColor(17, 200, 99));
        for (double scale : {0.3, 2.0 / 3, 0.9}) {
            const QSize size = Zoom::viewSize(source.size(), scale);
            QImage view(size, QImage::Format_RGB32);
            shrinkToView(source, scale, QRect(QPoint(0, 0), size), view);
            for (int y = 0; y < size.height(); ++y)
                for (int x = 0; x < size.width(); ++x)
                    QCOMPARE(view.pixel(x, y), qRgb(17, 200, 99));
        }
    }

    // The view is made tile by tile: a tile must be exactly its part of the whole, or seams show.
    void partsOfTheViewEqualTheWhole()
    {
        const QImage source = randomBytesPicture(QSize(40, 30), 9);
        for (double scale : {0.5, 2.0 / 3, 0.37}) {
            const QSize size = Zoom::viewSize(source.size(), scale);
            QImage whole(size, QImage::Format_RGB32);
            shrinkToView(source, scale, QRect(QPoint(0, 0), size), whole);
            const QRect part(5, 3, 7, 6);
            QImage tile(part.size(), QImage::Format_RGB32);
            shrinkToView(source, scale, part, tile);
            QCOMPARE(tile, whole.copy(part));
        }
    }

    void magnifyShowsEachPixelAsASharpBlock()
    {
        QImage source(2, 2, QImage::Format_BGR888);
        source.setPixel(0, 0, qRgb(255, 0, 0));
        source.setPixel(1, 0, qRgb(0, 255, 0));
        source.setPixel(0, 1, qRgb(0, 0, 255));
        source.setPixel(1, 1, qRgb(9, 9, 9));
        QImage out(6, 6, QImage::Format_RGB32);
        magnifyToView(source, 3, QRect(0, 0, 6, 6), out);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(out.pixel(x, y), source.pixel(x / 3, y / 3));
        // At 150 % view pixels 0 and 1 show pixel 0, view pixel 2 pixel 1: as the pointer maps.
        magnifyToView(source, 1.5, QRect(1, 1, 2, 2), out);
        QCOMPARE(out.pixel(0, 0), source.pixel(0, 0));
        QCOMPARE(out.pixel(1, 0), source.pixel(1, 0));
        QCOMPARE(out.pixel(1, 1), source.pixel(1, 1));
    }

    void differingRectBoundsEveryChange()
    {
        const QImage a = randomBytesPicture(QSize(33, 12), 3);
        QImage b = a.copy();
        QVERIFY(differingRect(a, b).isEmpty());
        b.setPixel(5, 7, qRgb(1, 2, 3) ^ a.pixel(5, 7));
        QCOMPARE(differingRect(a, b), QRect(5, 7, 1, 1));
        b.setPixel(30, 4, a.pixel(30, 4) ^ 0x00010000);
        b.setPixel(2, 9, a.pixel(2, 9) ^ 0x00000001); // the blue byte only
        QCOMPARE(differingRect(a, b), QRect(QPoint(2, 4), QPoint(30, 9)));
        b.setPixel(32, 11, a.pixel(32, 11) ^ 0x00000100); // the last pixel's middle byte
        QCOMPARE(differingRect(a, b), QRect(QPoint(2, 4), QPoint(32, 11)));
        QCOMPARE(differingRect(a, a.copy(0, 0, 32, 12)), a.rect());
    }
};
VP_TEST(TestZoom)
#include "tst_zoom.moc"
