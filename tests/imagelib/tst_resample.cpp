#include "imagelib/resample.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>
#include <cmath>
#include <random>

namespace {

// One row of greys (or a column when `column`), and the red bytes of a picture, row by row.
QImage greys(const QList<int> &values, bool column = false)
{
    QImage image(column ? 1 : int(values.size()), column ? int(values.size()) : 1, QImage::Format_BGR888);
    for (int i = 0; i < values.size(); ++i)
        image.setPixel(column ? 0 : i, column ? i : 0, qRgb(values[i], values[i], values[i]));
    return image;
}

QList<int> redsOf(const QImage &image)
{
    QList<int> reds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            reds.append(qRed(image.pixel(x, y)));
    return reds;
}

// The weights of output i along one axis, in floating point: area when shrinking, bilinear when
// growing.
QList<QPair<int, double>> referenceWeights(int from, int to, int i)
{
    const double scale = double(from) / to;
    QList<QPair<int, double>> weights;
    if (to < from) {
        const double begin = i * scale, end = (i + 1) * scale;
        for (int j = int(begin); j < from && j < end; ++j)
            weights.append({j, (std::min(j + 1.0, end) - std::max(double(j), begin)) / scale});
        return weights;
    }
    const double position = std::clamp((i + 0.5) * scale - 0.5, 0.0, from - 1.0);
    const int j = int(position);
    weights.append({j, 1 - (position - j)});
    if (position > j)
        weights.append({j + 1, position - j});
    return weights;
}

int largestDifferenceFromReference(const QImage &source, QSize size)
{
    const QImage result = resampled(source, size);
    int largest = 0;
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (const auto &[sy, wy] : referenceWeights(source.height(), size.height(), y))
                    for (const auto &[sx, wx] : referenceWeights(source.width(), size.width(), x))
                        sum += wy * wx * source.constScanLine(sy)[3 * sx + c];
                largest = std::max(largest, std::abs(int(std::lround(sum)) - result.constScanLine(y)[3 * x + c]));
            }
    return largest;
}

} // namespace

class TestResample : public QObject {
    Q_OBJECT
private slots:
    void edgeCases()
    {
        const QImage source = randomBytesPicture(QSize(7, 5), 1);
        QCOMPARE(resampled(source, source.size()), source);
        QVERIFY(resampled(QImage(), QSize(3, 3)).isNull());
        QVERIFY(resampled(source, QSize(0, 3)).isNull());
        QImage deep(4, 4, QImage::Format_RGB32);
        deep.fill(qRgb(9, 99, 199));
        const QImage result = resampled(deep, QSize(2, 3));
        QCOMPARE(result.format(), QImage::Format_BGR888);
        QCOMPARE(result.pixel(1, 2), qRgb(9, 99, 199));
    }

    void uniformPictureStaysUniform_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("shrink") << QSize(10, 7) << QSize(7, 5);
        QTest::newRow("grow") << QSize(7, 5) << QSize(11, 8);
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
        QImage expected(to, QImage::Format_BGR888);
        expected.fill(QColor(255, 128, 1));
        QCOMPARE(resampled(source, to), expected);
    }

    void twoByTwoToOneIsTheMean()
    {
        QImage source(2, 2, QImage::Format_BGR888);
        source.setPixel(0, 0, qRgb(10, 0, 255));
        source.setPixel(1, 0, qRgb(20, 0, 255));
        source.setPixel(0, 1, qRgb(30, 100, 255));
        source.setPixel(1, 1, qRgb(41, 100, 0));
        QCOMPARE(resampled(source, QSize(1, 1)).pixel(0, 0), qRgb(25, 50, 191)); // 25.25, 50, 191.25
    }

    void knownResults_data()
    {
        QTest::addColumn<QImage>("source");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("two to four, centres aligned") << greys({0, 100}) << QSize(4, 1) << QList<int> {0, 25, 75, 100};
        QTest::newRow("column two to four") << greys({0, 100}, true) << QSize(1, 4) << QList<int> {0, 25, 75, 100};
        QTest::newRow("three to two, by area") << greys({0, 90, 180}) << QSize(2, 1) << QList<int> {30, 150};
        QTest::newRow("three to one is the mean") << greys({0, 90, 180}) << QSize(1, 1) << QList<int> {90};
        QTest::newRow("one to three repeats") << greys({77}) << QSize(3, 1) << QList<int> {77, 77, 77};
        QTest::newRow("four to six, two rows") << greys({0, 30, 60, 90}) << QSize(6, 2)
                                               << QList<int> {0, 15, 35, 55, 75, 90, 0, 15, 35, 55, 75, 90};
    }
    void knownResults()
    {
        QFETCH(QImage, source);
        QFETCH(QSize, size);
        QFETCH(QList<int>, values);
        QCOMPARE(redsOf(resampled(source, size)), values);
    }

    void agreesWithTheFloatingPointDefinition_data()
    {
        QTest::addColumn<QSize>("from");
        QTest::addColumn<QSize>("to");
        QTest::newRow("0.7") << QSize(40, 30) << QSize(28, 21);
        QTest::newRow("1.5") << QSize(40, 30) << QSize(60, 45);
        QTest::newRow("down x, up y") << QSize(41, 17) << QSize(13, 40);
        QTest::newRow("up x, down y") << QSize(17, 41) << QSize(40, 13);
        QTest::newRow("hundredfold down") << QSize(2500, 300) << QSize(25, 3);
    }
    void agreesWithTheFloatingPointDefinition()
    {
        QFETCH(QSize, from);
        QFETCH(QSize, to);
        QVERIFY(largestDifferenceFromReference(randomBytesPicture(from, 42), to) <= 1);
    }
};
VP_TEST(TestResample)
#include "tst_resample.moc"
