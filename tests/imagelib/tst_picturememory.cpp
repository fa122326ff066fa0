#include "imagelib/picturememory.h"

#include "fixture.h"
#include "testregistry.h"

#include <QTest>

#include <cstring>

class TestPictureMemory : public QObject {
    Q_OBJECT
private slots:
    // Pictures from the pool must be what QImage would make: the same rows, so that every
    // kernel and writer reads them alike, in every format a reader may give.
    void newPicturesHaveQtsRowLayout_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format");
        for (const QSize size : {QSize(1, 1), QSize(7, 3), QSize(1001, 1000), QSize(2000, 1200)})
            for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_Indexed8,
                                          QImage::Format_Grayscale8, QImage::Format_RGBA64})
                QTest::addRow("%d x %d, format %d", size.width(), size.height(), int(format)) << size << int(format);
    }
    void newPicturesHaveQtsRowLayout()
    {
        QFETCH(QSize, size);
        QFETCH(int, format);
        const QImage reference(size, QImage::Format(format));
        const QImage picture = newPicture(size, QImage::Format(format));
        QCOMPARE(picture.size(), size);
        QCOMPARE(picture.format(), QImage::Format(format));
        QCOMPARE(picture.bytesPerLine(), reference.bytesPerLine());
    }

    void noPictureOfNoSize()
    {
        QVERIFY(newPicture(QSize(0, 5)).isNull());
        QVERIFY(newPicture(QSize(5, -1)).isNull());
        QVERIFY(copiedPicture(QImage()).isNull());
    }

    // A copy that missed the colour table or a row's tail would show as other colours.
    void aCopyHasTheSamePixelsAndColours_data()
    {
        QTest::addColumn<QImage>("picture");
        QTest::newRow("24-bit, rows padded") << noisePicture(QSize(1001, 700));
        QTest::newRow("32-bit") << noisePicture(QSize(1200, 900), QImage::Format_RGB32);
        QTest::newRow("indexed") << noisePicture(QSize(33, 9)).convertToFormat(QImage::Format_Indexed8);
    }
    void aCopyHasTheSamePixelsAndColours()
    {
        QFETCH(QImage, picture);
        const QImage copy = copiedPicture(picture);
        QCOMPARE(copy, picture);
        QCOMPARE(copy.colorTable(), picture.colorTable());
        QVERIFY(copy.constBits() != picture.constBits());
    }

    // Writing a picture detached here must not reach the pixels it shared.
    void detachingLeavesTheOtherHolderAsItWas()
    {
        const QImage original = noisePicture(QSize(1500, 1000));
        QImage picture = original;
        QVERIFY(detachPicture(picture));
        QVERIFY(picture.isDetached());
        picture.setPixel(0, 0, toQRgb(Red));
        QCOMPARE(pixelOf(original, 0, 0), pixelOf(noisePicture(QSize(1500, 1000)), 0, 0));
        QCOMPARE(pixelOf(picture, 0, 0), Red);
        const uchar *own = picture.constBits();
        QVERIFY(detachPicture(picture)); // already its own: left as it is
        QCOMPARE(picture.constBits(), own);
    }

    // Pictures let go while the memory is held, then many more, must all still be sound once
    // the hold ends and the pool trims itself (from a thread of its own).
    void picturesLetGoDuringAndAfterAHoldAreReusedSoundly()
    {
        holdReleasedPictureMemory(true);
        for (int i = 0; i < 10; ++i)
            newPicture(QSize(1000 + i % 3, 1000)).fill(Qt::red);
        holdReleasedPictureMemory(false);
        for (int i = 0; i < 10; ++i) {
            QImage picture = newPicture(QSize(1000 + i % 3, 1000));
            picture.fill(Qt::blue);
            QCOMPARE(pixelOf(picture, 999, 999), Blue);
        }
    }

    // Large pictures reuse the memory of pictures let go: the bytes that pad each row must not
    // be the earlier picture's.
    void rowPaddingStartsClearEvenInReusedMemory_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("small, from the heap") << QSize(33, 40);
        QTest::newRow("large, from the pool") << QSize(3001, 1000);
    }
    void rowPaddingStartsClearEvenInReusedMemory()
    {
        QFETCH(QSize, size);
        releasePooledPictureMemory();
        {
            QImage earlier = newPicture(size);
            QVERIFY(!earlier.isNull());
            std::memset(earlier.bits(), 0xA5, size_t(earlier.sizeInBytes()));
        }
        const QImage picture = newPicture(size);
        QVERIFY(!picture.isNull());
        const qsizetype pixelBytes = qsizetype(size.width()) * 3;
        QVERIFY(picture.bytesPerLine() > pixelBytes);
        for (int y = 0; y < size.height(); ++y)
            for (qsizetype i = pixelBytes; i < picture.bytesPerLine(); ++i)
                QVERIFY2(picture.constScanLine(y)[i] == 0, qPrintable(QStringLiteral("row %1").arg(y)));
        releasePooledPictureMemory();
    }
};
VP_TEST(TestPictureMemory)
#include "tst_picturememory.moc"
