#include "imagelib/picturememory.h"

#include "testregistry.h"

#include <QTest>

#include <cstring>

class TestPictureMemory : public QObject {
    Q_OBJECT
private slots:
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
