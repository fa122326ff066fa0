#include "filters/resample.h"
#include "testregistry.h"

#include <QTest>
#include <cmath>
#include <random>
#include <vector>

namespace {

QImage picture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_BGR888);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < 3 * width; ++x)
            image.scanLine(y)[x] = uchar(random());
    return image;
}

QImage row(const std::vector<int> &reds)
{
    QImage image(int(reds.size()), 1, QImage::Format_BGR888);
    for (int x = 0; x < int(reds.size()); ++x)
        image.setPixel(x, 0, qRgb(reds[size_t(x)], 0, 0));
    return image;
}

std::vector<int> redsOf(const QImage &image)
{
    std::vector<int> reds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            reds.push_back(qRed(image.pixel(x, y)));
    return reds;
}

// The weights of one axis in plain floating point: area when shrinking, bilinear when growing.
std::vector<std::vector<std::pair<int, double>>> referenceWeights(int from, int to)
{
    std::vector<std::vector<std::pair<int, double>>> weights(static_cast<size_t>(to));
    const double scale = double(from) / to;
    for (int i = 0; i < to; ++i) {
        if (to < from) {
            const double begin = i * scale, end = (i + 1) * scale;
            for (int j = int(std::floor(begin)); j < from && j < end; ++j) {
                const double overlap = std::min(j + 1.0, end) - std::max(double(j), begin);
                if (overlap > 0)
                    weights[size_t(i)].push_back({j, overlap / scale});
            }
        } else {
            double position = (i + 0.5) * scale - 0.5;
            int j = int(std::floor(position));
            double fraction = position - j;
            if (j < 0) {
                j = 0;
                fraction = 0;
            }
            if (j >= from - 1) {
                j = from - 1;
                fraction = 0;
            }
            weights[size_t(i)].push_back({j, 1 - fraction});
            if (fraction > 0)
                weights[size_t(i)].push_back({j + 1, fraction});
        }
    }
    return weights;
}

QImage referenceResample(const QImage &source, QSize size)
{
    const auto alongX = referenceWeights(source.width(), size.width());
    const auto alongY = referenceWeights(source.height(), size.height());
    QImage result(size, QImage::Format_BGR888);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (const auto &[sy, wy] : alongY[size_t(y)])
                    for (const auto &[sx, wx] : alongX[size_t(x)])
                        sum += wy * wx * source.constScanLine(sy)[3 * sx + c];
                result.scanLine(y)[3 * x + c] = uchar(std::lround(sum));
            }
    return result;
}

int largestDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < 3 * a.width(); ++x)
            largest = std::max(largest, std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]));
    return largest;
}

} // namespace

class TestResample : public QObject {
    Q_OBJECT
private slots:
    void equalSizeIsAnExactCopy()
    {
        const QImage source = picture(7, 5, 1);
        QCOMPARE(resampled(source, source.size()), source);
    }

    void otherFormatsComeOutAs24Bit()
    {
        QImage source(4, 4, QImage::Format_RGB32);
        source.fill(qRgb(9, 99, 199));
        for (const QSize size : {QSize(4, 4), QSize(2, 3), QSize(6, 6)}) {
            const QImage result = resampled(source, size);
            QCOMPARE(result.format(), QImage::Format_BGR888);
            QCOMPARE(result.size(), size);
            QCOMPARE(result.pixel(result.width() - 1, result.height() - 1), qRgb(9, 99, 199));
        }
    }

    void nullSourceOrEmptySizeGivesNothing()
    {
        QVERIFY(resampled(QImage(), QSize(3, 3)).isNull());
        QVERIFY(resampled(picture(3, 3, 1), QSize(0, 3)).isNull());
        QVERIFY(resampled(picture(3, 3, 1), QSize(3, -1)).isNull());
    }

    void uniformPictureStaysUniform_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("shrink") << QSize(10, 7) << QSize(7, 5);
        QTest::newRow("grow") << QSize(7, 5) << QSize(11, 8);
        QTest::newRow("wider, shorter") << QSize(5, 9) << QSize(8, 4);
        QTest::newRow("narrower, taller") << QSize(9, 5) << QSize(4, 8);
        QTest::newRow("one pixel to many") << QSize(1, 1) << QSize(5, 3);
        QTest::newRow("many to one pixel") << QSize(13, 9) << QSize(1, 1);
        QTest::newRow("long row to a few") << QSize(3000, 2) << QSize(3, 2);
        QTest::newRow("large enough for huge pages") << QSize(1600, 1200) << QSize(1800, 1700);
    }
    void uniformPictureStaysUniform()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QImage source(from, QImage::Format_BGR888);
        source.fill(QColor(255, 128, 1));
        const QImage result = resampled(source, to);
        QCOMPARE(result.size(), to);
        for (int y = 0; y < to.height(); ++y)
            for (int x = 0; x < to.width(); ++x)
                QCOMPARE(result.pixel(x, y), qRgb(255, 128, 1));
    }

    void twoByTwoToOneIsTheMean()
    {
        QImage source(2, 2, QImage::Format_BGR888);
        source.setPixel(0, 0, qRgb(10, 0, 255));
        source.setPixel(1, 0, qRgb(20, 0, 255));
        source.setPixel(0, 1, qRgb(30, 100, 255));
        source.setPixel(1, 1, qRgb(41, 100, 0));
        // 25.25, 50, 191.25
        QCOMPARE(resampled(source, QSize(1, 1)).pixel(0, 0), qRgb(25, 50, 191));
    }

    void knownResults_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<std::vector<int>>("reds");
        QTest::newRow("two to four, centres aligned") << row({0, 100}) << QSize(4, 1) << std::vector<int> {0, 25, 75, 100};
        QTest::newRow("three to two, by area") << row({0, 90, 180}) << QSize(2, 1) << std::vector<int> {30, 150};
        QTest::newRow("three to one is the mean") << row({0, 90, 180}) << QSize(1, 1) << std::vector<int> {90};
        QTest::newRow("one to three repeats") << row({77}) << QSize(3, 1) << std::vector<int> {77, 77, 77};
        QTest::newRow("column two to four") << row({0, 100}).transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_BGR888)
                                             << QSize(1, 4) << std::vector<int> {0, 25, 75, 100};
        QTest::newRow("four to six, two rows") << row({0, 30, 60, 90}) << QSize(6, 2)
                                               << std::vector<int> {0, 15, 35, 55, 75, 90, 0, 15, 35, 55, 75, 90};
        QTest::newRow("row stretched to two rows") << row({0, 100}) << QSize(2, 2) << std::vector<int> {0, 100, 0, 100};
    }
    void knownResults()
    {
        QFETCH(QImage, source);
        QFETCH(QSize, size);
        QFETCH(std::vector<int>, reds);
        QCOMPARE(redsOf(resampled(source, size)), reds);
    }

    void agreesWithTheFloatingPointDefinition_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("0.7") << QSize(40, 30) << QSize(28, 21);
        QTest::newRow("1.5") << QSize(40, 30) << QSize(60, 45);
        QTest::newRow("down x, up y") << QSize(41, 17) << QSize(13, 40);
        QTest::newRow("up x, down y") << QSize(17, 41) << QSize(40, 13);
        QTest::newRow("x only") << QSize(33, 9) << QSize(50, 9);
        QTest::newRow("tenfold down") << QSize(300, 200) << QSize(30, 20);
        QTest::newRow("hundredfold down") << QSize(2500, 300) << QSize(25, 3);
    }
    void agreesWithTheFloatingPointDefinition()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        const QImage source = picture(from.width(), from.height(), 42);
        QVERIFY(largestDifference(resampled(source, to), referenceResample(source, to)) <= 1);
    }
};
VP_TEST(TestResample)
#include "tst_resample.moc"
