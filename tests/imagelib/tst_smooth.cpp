#include "imagelib/colour.h"
#include "imagelib/smooth.h"
#include "fixture.h"
#include "testregistry.h"

#include <QTest>
#include <random>

namespace {

Colour at(const QImage &image, int x, int y) { return pixelBGR(image.constScanLine(y) + 3 * x); }

// The mean written the slow, obvious way, on random bytes.
QImage meanOfNine(const QImage &picture)
{
    QImage out(picture.size(), PictureFormat);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < 3 * picture.width(); ++x) {
            int sum = 0;
            for (int j = std::max(y - 1, 0); j <= std::min(y + 1, picture.height() - 1); ++j)
                for (int i = std::max(x - 3, x % 3); i <= std::min(x + 3, 3 * picture.width() - 1); i += 3)
                    sum += picture.constScanLine(j)[i];
            out.scanLine(y)[x] = uchar(sum / 9);
        }
    return out;
}

} // namespace

class TestSmooth : public QObject {
    Q_OBJECT
private slots:
    // Each output is (picture pixels among the nine) x value div 9: white gives 170 on an edge,
    // 113 in a corner; one pixel wide or high, fewer still; 1 x 1, value div 9.
    void uniformPictureDarkensOnlyAtItsBorder_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Colour>("colour");
        for (const QSize size : {QSize(5, 4), QSize(2, 2), QSize(1, 5), QSize(6, 1), QSize(1, 1)}) {
            QTest::addRow("%dx%d white", size.width(), size.height()) << size << Colour(0x00FFFFFF);
            QTest::addRow("%dx%d mixed", size.width(), size.height()) << size << makeColour(200, 100, 7);
        }
    }
    void uniformPictureDarkensOnlyAtItsBorder()
    {
        QFETCH(QSize, size);
        QFETCH(Colour, colour);
        const QImage after = smoothed(uniformPicture(size, colour));
        QCOMPARE(after.size(), size);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                const int n = (1 + (x > 0) + (x + 1 < size.width())) * (1 + (y > 0) + (y + 1 < size.height()));
                QCOMPARE(at(after, x, y), makeColour(n * redOf(colour) / 9, n * greenOf(colour) / 9, n * blueOf(colour) / 9));
            }
    }
    void loneWhitePixelSpreadsToABlockOf28()
    {
        QImage picture = uniformPicture(QSize(6, 5), 0);
        setPixelBGR(picture.scanLine(2) + 3 * 3, 0x00FFFFFF);
        const QImage after = smoothed(picture);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                QCOMPARE(at(after, x, y), std::abs(x - 3) <= 1 && std::abs(y - 2) <= 1 ? makeColour(28, 28, 28) : 0);
    }
    // Every sum a channel can reach, truncated: 2294 gives 254, not 255.
    void everySumIsDividedByNineAndTruncated()
    {
        QImage picture(3, 3, PictureFormat), after(3, 3, PictureFormat);
        for (int sum = 0; sum <= 9 * 255; ++sum) {
            for (int i = 0, left = sum; i < 9; ++i, left -= 255)
                std::fill_n(picture.scanLine(i / 3) + 3 * (i % 3), 3, uchar(std::clamp(left, 0, 255)));
            smoothRows(picture, after, 0, 3);
            QCOMPARE(int(after.constScanLine(1)[3]), sum / 9);
        }
    }
    // Widths that leave every possible remainder after the vector loops.
    void anyPictureInBandsOrIntoItselfGetsTheMeanOfNine()
    {
        for (const QSize size : {QSize(37, 5), QSize(129, 3), QSize(3, 17)}) {
            QImage picture = noisePicture(size);
            const QImage expected = meanOfNine(picture);
            QCOMPARE(smoothed(picture), expected);
            QImage after(picture.size(), PictureFormat);
            for (int row = 0; row < size.height(); row += 2)
                smoothRows(picture, after, row, row + 2);
            QCOMPARE(after, expected);
            smoothRows(picture, picture, 0, size.height());
            QCOMPARE(picture, expected);
        }
    }
};
VP_TEST(TestSmooth)
#include "tst_smooth.moc"
