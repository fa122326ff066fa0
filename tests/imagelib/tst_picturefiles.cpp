#include "fixture.h"
#include "hostilecorpus.h"
#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"
#include "imagelib/picturememory.h"
#include "imagelib/raster.h"
#include "testregistry.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <QTest>

#include <cstring>
#include <random>
#include <unistd.h>

namespace {

using vptest::encoded;

quint32 le32(const QByteArray &bytes, int at)
{
    quint32 v;
    std::memcpy(&v, bytes.constData() + at, 4);
    return qFromLittleEndian(v);
}
void putLe32(QByteArray &bytes, int at, quint32 v)
{
    v = qToLittleEndian(v);
    std::memcpy(bytes.data() + at, &v, 4);
}

// The same picture, its rows stored top row first (negative height) and/or behind a larger
// info header.
QByteArray variantOf(const QByteArray &bmp, int infoBytes, bool topDown)
{
    const int width = int(le32(bmp, 18)), height = int(le32(bmp, 22));
    const qsizetype rowBytes = bmp24RowBytes(width);
    QByteArray out = bmp.left(54);
    out.append(QByteArray(infoBytes - 40, '\x11'));
    putLe32(out, 10, quint32(14 + infoBytes));
    putLe32(out, 14, quint32(infoBytes));
    putLe32(out, 22, quint32(topDown ? -height : height));
    for (int i = 0; i < height; ++i)
        out.append(bmp.mid(54 + (topDown ? height - 1 - i : i) * rowBytes, rowBytes));
    return out;
}

// Two frames of 2 x 1 pixels: red, blue, then blue, red.
QByteArray twoFrameGif()
{
    return QByteArray::fromHex("474946383961" "02000100" "800000" "ff0000" "0000ff"
                               "21f904000a000000" "2c000000000200010000" "02" "02440a" "00"
                               "21f904000a000000" "2c000000000200010000" "02" "020c0a" "00"
                               "3b");
}

bool isRoot() { return ::geteuid() == 0; }

} // namespace

class TestPictureFiles : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString pathOf(const QString &name) const { return dir.filePath(name); }
    QString put(const QString &name, const QByteArray &bytes) const
    {
        QFile file(pathOf(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write test file");
        return file.fileName();
    }
    QByteArray fileBytes(const QString &path) const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void savedCanvasIsA24BitBmpWithItsBottomRowFirst()
    {
        QImage picture(246, 246, QImage::Format_RGB32);
        picture.fill(Qt::white);
        picture.setPixel(0, 245, qRgb(1, 2, 3));
        const QString path = pathOf("canvas.bmp");
        QCOMPARE(savePicture(picture, path), QString());
        const QByteArray file = fileBytes(path);
        QCOMPARE(file.size(), 182094);
        QCOMPARE(bmp24FileSize(QSize(246, 246)), 182094);
        QCOMPARE(file.left(2), QByteArray("BM"));
        QCOMPARE(le32(file, 2), 182094u);
        QCOMPARE(le32(file, 10), 54u);
        QCOMPARE(le32(file, 14), 40u);
        QCOMPARE(le32(file, 18), 246u);
        QCOMPARE(le32(file, 22), 246u);
        QCOMPARE(le32(file, 26), 24u << 16 | 1u); // planes, bits a pixel
        QCOMPARE(le32(file, 30), 0u);             // BI_RGB
        QCOMPARE(le32(file, 34), 182040u);
        QCOMPARE(file.mid(54, 3), QByteArray("\x03\x02\x01", 3));
        QCOMPARE(file.mid(54 + 738, 2), QByteArray(2, '\0')); // row padding
    }

    void roundTripKeepsEveryByte_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format");
        QTest::newRow("1 pixel wide, 3 bytes of padding") << QSize(1, 5) << int(QImage::Format_BGR888);
        QTest::newRow("2 wide, 2 bytes of padding") << QSize(2, 3) << int(QImage::Format_BGR888);
        QTest::newRow("3 wide, 1 byte of padding") << QSize(3, 2) << int(QImage::Format_BGR888);
        QTest::newRow("4 wide, no padding") << QSize(4, 1) << int(QImage::Format_BGR888);
        QTest::newRow("canvas") << QSize(246, 246) << int(QImage::Format_BGR888);
        QTest::newRow("from RGB32") << QSize(7, 5) << int(QImage::Format_RGB32);
        QTest::newRow("from ARGB32") << QSize(5, 7) << int(QImage::Format_ARGB32);
        QTest::newRow("from Indexed8") << QSize(9, 4) << int(QImage::Format_Indexed8);
        QTest::newRow("from Mono") << QSize(13, 3) << int(QImage::Format_Mono);
        QTest::newRow("tall, several bands") << QSize(64, 16384) << int(QImage::Format_RGB32);
    }
    void roundTripKeepsEveryByte()
    {
        QFETCH(QSize, size);
        QFETCH(int, format);
        const QImage picture = noisePicture(size, QImage::Format(format));
        const QString path = pathOf("round.bmp");
        QCOMPARE(savePicture(picture, path), QString());
        QCOMPARE(QFileInfo(path).size(), bmp24FileSize(size));
        const LoadedPicture loaded = loadPicture(path);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.format(), QImage::Format_BGR888);
        QVERIFY(samePixels(loaded.picture, picture.convertToFormat(QImage::Format_BGR888)));
        QCOMPARE(fileBytes(path), bmpOf(picture));
    }

    void loadedBmpCanBeChangedInPlaceAndShared()
    {
        const QString path = put("inplace.bmp", bmpOf(noisePicture(QSize(2000, 2000))));
        QImage picture = loadPicture(path).picture;
        const QImage shared = picture;
        const uchar before = shared.constBits()[0];
        picture.bits()[0] = uchar(before + 1);
        QCOMPARE(shared.constBits()[0], before);
        const uchar *bits = picture.constBits();
        QCOMPARE(picture.bits(), bits);
        QCOMPARE(picture.bytesPerLine(), bmp24RowBytes(2000));
    }

    void everyHeaderLayoutReadsTheSamePicture_data()
    {
        QTest::addColumn<int>("infoBytes");
        QTest::addColumn<bool>("topDown");
        for (const int info : {40, 108, 124})
            for (const bool topDown : {false, true})
                QTest::addRow("%d-byte info header, %s", info, topDown ? "top-down" : "bottom-up") << info << topDown;
    }
    void everyHeaderLayoutReadsTheSamePicture()
    {
        QFETCH(int, infoBytes);
        QFETCH(bool, topDown);
        const QImage picture = noisePicture(QSize(5, 4));
        const QByteArray bytes = variantOf(bmpOf(picture), infoBytes, topDown);
        const LoadedPicture fromFile = loadPicture(put("variant.bmp", bytes));
        QVERIFY2(fromFile.ok(), qPrintable(fromFile.error));
        QVERIFY(samePixels(fromFile.picture, picture));
        QVERIFY(samePixels(readBmp24(bytes).picture, picture));
    }

    // A large picture is read into fresh memory through the memory's file, and into reused
    // memory straight: rows out of order, a row's padding or the header's length missed by
    // either would show here.
    void largePicturesReadAlikeIntoFreshAndReusedMemory_data()
    {
        QTest::addColumn<int>("infoBytes");
        QTest::addColumn<bool>("topDown");
        QTest::addColumn<bool>("fresh");
        for (const int info : {40, 124})
            for (const bool topDown : {false, true})
                for (const bool fresh : {true, false})
                    QTest::addRow("%d-byte info header, %s, %s memory", info, topDown ? "top-down" : "bottom-up",
                                  fresh ? "fresh" : "reused")
                        << info << topDown << fresh;
    }
    void largePicturesReadAlikeIntoFreshAndReusedMemory()
    {
        QFETCH(int, infoBytes);
        QFETCH(bool, topDown);
        QFETCH(bool, fresh);
        setPictureMemoryMode(PictureMemoryMode::CopyOnWrite);
        const QImage picture = randomBytesPicture(QSize(1001, 800), 4);
        const QString path = put("large.bmp", variantOf(bmpOf(picture), infoBytes, topDown));
        releasePooledPictureMemory();
        if (!fresh)
            std::memset(newPicture(picture.size()).bits(), 0xA5, size_t(picture.sizeInBytes()));
        const LoadedPicture loaded = loadPicture(path);
        setPictureMemoryMode(PictureMemoryMode::Automatic);
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(pictureMemoryKind(loaded.picture), PictureMemoryKind::Owner);
        QCOMPARE(bmpOf(loaded.picture), bmpOf(picture));
        for (int y = 0; y < picture.height(); ++y)
            QCOMPARE(loaded.picture.constScanLine(y)[3 * picture.width()], uchar(0));
    }

    void otherPictureFilesKeepTheirOwnFormat_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<int>("expected");
        QTest::newRow("png") << QByteArray("png") << int(QImage::Format_RGB32);
        QTest::newRow("jpeg") << QByteArray("jpeg") << int(QImage::Format_RGB32);
        QTest::newRow("8-bit bmp") << QByteArray("bmp") << int(QImage::Format_Indexed8);
    }
    void otherPictureFilesKeepTheirOwnFormat()
    {
        QFETCH(QByteArray, format);
        QFETCH(int, expected);
        QImage picture(16, 8, QImage::Format_RGB32);
        picture.fill(qRgb(200, 40, 10));
        if (expected == QImage::Format_Indexed8)
            picture = picture.convertToFormat(QImage::Format_Indexed8);
        const LoadedPicture loaded = loadPicture(put("other." + format, encoded(picture, format)));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(int(loaded.picture.format()), expected);
        QCOMPARE(loaded.picture.size(), QSize(16, 8));
        const QRgb centre = loaded.picture.pixel(8, 4);
        QVERIFY(qAbs(qRed(centre) - 200) < 8 && qAbs(qGreen(centre) - 40) < 8 && qAbs(qBlue(centre) - 10) < 8);
    }

    void animatedGifGivesItsFirstFrame()
    {
        const LoadedPicture loaded = loadPicture(put("two-frames.gif", twoFrameGif()));
        QVERIFY2(loaded.ok(), qPrintable(loaded.error));
        QCOMPARE(loaded.picture.size(), QSize(2, 1));
        QCOMPARE(loaded.picture.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(loaded.picture.pixel(1, 0), qRgb(0, 0, 255));
        const LoadedPicture cutInSecondFrame = loadPicture(put("cut-second.gif", twoFrameGif().left(50)));
        QVERIFY2(cutInSecondFrame.ok(), qPrintable(cutInSecondFrame.error));
        QCOMPARE(cutInSecondFrame.picture.pixel(1, 0), qRgb(0, 0, 255));
    }

    void jpegWithDataAfterItsEndStillOpens()
    {
        const QByteArray jpeg = encoded(noisePicture(QSize(32, 32)), "jpeg") + QByteArray(5000, '\x42');
        QVERIFY(loadPicture(put("trailer.jpg", jpeg)).ok());
    }

    void badFilesGiveAReason_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QString damaged = PictureFileErrors::damaged();
        const QString tooLarge = PictureFileErrors::tooLarge();
        const QByteArray bmp = bmpOf(noisePicture(QSize(30, 20)));
        auto patched = [&bmp](int at, quint32 value) {
            QByteArray out = bmp;
            putLe32(out, at, value);
            return out;
        };
        QTest::newRow("empty") << QByteArray() << QStringLiteral("the file is empty");
        QTest::newRow("text") << QByteArray("hello, world\n") << QStringLiteral("it is not a picture this program can read");
        QTest::newRow("bmp cut in its header") << bmp.left(30) << damaged;
        QTest::newRow("bmp missing its last row") << bmp.left(bmp.size() - 92) << damaged;
        QTest::newRow("bmp missing one byte") << bmp.chopped(1) << damaged;
        QTest::newRow("zero width") << patched(18, 0) << damaged;
        QTest::newRow("negative width") << patched(18, quint32(-30)) << damaged;
        QTest::newRow("zero height") << patched(22, 0) << damaged;
        QTest::newRow("most negative height") << patched(22, 0x80000000u) << tooLarge;
        QTest::newRow("pixels inside the header") << patched(10, 20) << damaged;
        QTest::newRow("pixels far past the end") << patched(10, 0xFFFFFFF0u) << damaged;
        QTest::newRow("100000 x 100000 with a few bytes") << patched(22, 100000).replace(18, 4, QByteArray("\xa0\x86\x01\x00", 4)).left(80) << tooLarge;
        QTest::newRow("32768 x 1") << patched(18, 32768).left(60) << tooLarge;
        QTest::newRow("16384 x 16385") << patched(18, 16384).replace(22, 4, QByteArray("\x01\x40\0\0", 4)) << tooLarge;
        // The largest picture is within the limits: only its missing rows are wrong.
        QTest::newRow("16384 x 16384 without its rows") << patched(18, 16384).replace(22, 4, QByteArray("\0\x40\0\0", 4)) << damaged;

        const QByteArray png = encoded(noisePicture(QSize(40, 40), QImage::Format_RGB32), "png");
        QByteArray hugePng = png;
        hugePng.replace(16, 8, QByteArray::fromHex("0000c3500000c350")); // 50000 x 50000
        const quint32 crc = qToBigEndian(vptest::pngCrc32(hugePng.mid(12, 17)));
        hugePng.replace(29, 4, QByteArray(reinterpret_cast<const char *>(&crc), 4));
        QTest::newRow("png declaring 50000 x 50000") << hugePng << tooLarge;
        QTest::newRow("png cut in half") << png.left(png.size() / 2) << damaged;
        const QByteArray jpeg = encoded(noisePicture(QSize(64, 64)), "jpeg");
        QTest::newRow("jpeg cut in half") << jpeg.left(jpeg.size() / 2) << damaged;
        QTest::newRow("jpeg header only") << jpeg.left(200) << damaged;
        QTest::newRow("gif cut in its first frame") << twoFrameGif().left(40) << damaged;
        QTest::newRow("gif cut in its colour table") << twoFrameGif().left(16) << damaged;
    }
    void badFilesGiveAReason()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        const LoadedPicture loaded = loadPicture(put("bad", bytes));
        QVERIFY(!loaded.ok());
        QCOMPARE(loaded.error, reason);
    }

    void everySingleBitFlipInTheHeaderIsSafe()
    {
        const QByteArray bmp = bmpOf(noisePicture(QSize(3, 2)));
        const QString path = pathOf("flipped.bmp");
        for (int bit = 0; bit < 54 * 8; ++bit) {
            QByteArray bytes = bmp;
            bytes[bit / 8] = char(bytes[bit / 8] ^ (1 << (bit % 8)));
            const Bmp24Read fromMemory = readBmp24(bytes);
            put("flipped.bmp", bytes);
            const LoadedPicture fromFile = loadPicture(path);
            if (!fromMemory.notBmp24) {
                QCOMPARE(fromFile.ok(), !fromMemory.picture.isNull());
                QCOMPARE(fromFile.error, fromMemory.error);
            }
            QVERIFY(fromFile.ok() || !fromFile.error.isEmpty());
        }
    }

    void filesThatCannotBeOpened()
    {
        QCOMPARE(loadPicture(QString()).ok(), false);
        QCOMPARE(loadPicture(QString()).error, QString());
        QCOMPARE(loadPicture(pathOf("nothing-here.bmp")).error, QStringLiteral("the file does not exist"));
        QCOMPARE(loadPicture(dir.path()).error, QStringLiteral("it is a folder"));
        QVERIFY(!loadPicture(QStringLiteral("/dev/null")).ok());
        if (isRoot())
            QSKIP("permissions do not bind root");
        const QString path = put("locked.bmp", bmpOf(noisePicture(QSize(2, 2))));
        QFile::setPermissions(path, QFileDevice::WriteOwner);
        QCOMPARE(loadPicture(path).error, QStringLiteral("permission denied"));
    }

    void saveRefusesWhatItCannotWrite()
    {
        const QImage picture = noisePicture(QSize(4, 4));
        QCOMPARE(savePicture(picture, dir.path()), QStringLiteral("it is a folder"));
        QCOMPARE(savePicture(picture, pathOf("no-such-folder/picture.bmp")), QStringLiteral("the folder does not exist"));
        QVERIFY(!savePicture(QImage(), pathOf("null.bmp")).isEmpty());
        QVERIFY(!QFile::exists(pathOf("null.bmp")));
        if (isRoot())
            QSKIP("permissions do not bind root");
        const QByteArray old("old bytes");
        const QString path = put("readonly.bmp", old);
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        QCOMPARE(savePicture(picture, path), QStringLiteral("permission denied"));
        QCOMPARE(fileBytes(path), old);
    }

    void saveUsesThePathAsGiven()
    {
        QCOMPARE(savePicture(noisePicture(QSize(3, 3)), pathOf("no-extension")), QString());
        QVERIFY(QFile::exists(pathOf("no-extension")));
        QVERIFY(!QFile::exists(pathOf("no-extension.bmp")));
    }

    // Save writes a new file beside the old one and renames it over: the file replaced keeps its
    // permissions (a new file is not left readable to the owner only), a link saved through
    // stays a link to the file that now holds the picture, and nothing else is left behind.
    void saveReplacesTheFileBehindItsPermissionsAndLinks()
    {
        QTemporaryDir folder;
        const QImage picture = noisePicture(QSize(9, 7));
        const QString shared = folder.filePath(QStringLiteral("shared.bmp"));
        QVERIFY(QFile(shared).open(QIODevice::WriteOnly));
        const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(shared, mode));
        QCOMPARE(savePicture(picture, shared), QString());
        QCOMPARE(QFile::permissions(shared) & 0x7077, mode); // owner, group, others
        QCOMPARE(loadPicture(shared).picture, picture);

        const QString link = folder.filePath(QStringLiteral("link.bmp"));
        QVERIFY(QFile::link(shared, link));
        const QImage other = noisePicture(QSize(9, 7), QImage::Format_BGR888, 2);
        QCOMPARE(savePicture(other, link), QString());
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(loadPicture(shared).picture, other);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::System | QDir::Hidden),
                 (QStringList{QStringLiteral("link.bmp"), QStringLiteral("shared.bmp")}));
    }

    void writeToAFullDiskFails()
    {
        QFile full(QStringLiteral("/dev/full"));
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("no /dev/full here");
        QCOMPARE(writeBmp24(int(full.handle()), noisePicture(QSize(100, 100))), ENOSPC);
        QCOMPARE(writeBmp24(int(full.handle()), noisePicture(QSize(100, 100), QImage::Format_RGB32)), ENOSPC);
        QVERIFY(!writeBmp24(full, noisePicture(QSize(100, 100))));
    }
};
VP_TEST(TestPictureFiles)
#include "tst_picturefiles.moc"
