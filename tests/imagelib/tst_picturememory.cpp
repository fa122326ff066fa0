#include "imagelib/fill.h"
#include "imagelib/picturememory.h"
#include "imagelib/picturepatch.h"
#include "imagelib/pixelengine.h"
#include "imagelib/raster.h"
#include "imagelib/rotate.h"
#include "imagelib/smooth.h"

#include "childprocess.h"
#include "fixture.h"
#include "testregistry.h"

#include <QFile>
#include <QTest>

#include <cstring>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

// Over 2 MB, so that it is mapped; rows end in one byte of padding.
const QSize MappedSize(1001, 800);

// A picture held by the program, and the plain whole-picture copy it must equal.
struct Held {
    QImage picture;
    QImage expected;
};

void writePattern(QImage &picture, const QRect &rect, unsigned seed)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 3 * rect.left(); x < 3 * (rect.right() + 1); ++x)
            row[x] = uchar(seed * 31 + unsigned(x) * 7 + unsigned(y) * 13);
    }
}

// Every pixel byte, and the padding after them clear.
bool sameBytes(const QImage &picture, const QImage &expected)
{
    if (picture.size() != expected.size() || picture.format() != expected.format())
        return false;
    const qsizetype pixelBytes = qsizetype(picture.width()) * 3;
    for (int y = 0; y < picture.height(); ++y) {
        const uchar *row = picture.constScanLine(y);
        if (std::memcmp(row, expected.constScanLine(y), size_t(pixelBytes)) != 0)
            return false;
        for (qsizetype i = pixelBytes; i < picture.bytesPerLine(); ++i)
            if (row[i] != 0)
                return false;
    }
    return true;
}

#ifndef NDEBUG
// The permissions /proc/self/maps gives the mapping that starts at `start` ("rw-s", "r--p").
QByteArray permissionsAt(const void *start)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    const QByteArray address = QByteArray::number(quintptr(start), 16);
    for (const QByteArray &line : maps.readAll().split('\n'))
        if (line.startsWith(address + '-'))
            return line.split(' ').value(1);
    return {};
}
#endif

} // namespace

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

    // Any mix of sharing, writing, copying, rebuilding from a patch and letting go (on another
    // thread too) must leave every picture as plain whole copies would: a clone that missed a
    // written page, a frozen owner written in place, a rebase that lost a page or a registry
    // that handed out a mapping still in use would show here.
    void sharedPicturesStayAsPlainCopiesWouldBe_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<unsigned>("seed");
        for (unsigned seed : {1u, 2u, 3u})
            QTest::addRow("copy on write, seed %u", seed) << int(PictureMemoryMode::CopyOnWrite) << seed;
        QTest::newRow("no page map") << int(PictureMemoryMode::CopyOnWriteWithoutPageMap) << 5u;
        QTest::newRow("whole copies") << int(PictureMemoryMode::WholeCopies) << 4u;
    }
    void sharedPicturesStayAsPlainCopiesWouldBe()
    {
        QFETCH(int, mode);
        QFETCH(unsigned, seed);
        setPictureMemoryMode(PictureMemoryMode(mode));
        std::mt19937 random(seed);
        const auto below = [&random](int n) { return int(random() % unsigned(n)); };
        const auto randomRect = [&](int maxWidth, int maxHeight) {
            const int width = 1 + below(maxWidth), height = 1 + below(maxHeight);
            return QRect(below(MappedSize.width() - width + 1), below(MappedSize.height() - height + 1), width, height);
        };
        std::vector<Held> held;
        struct Threads {
            std::vector<std::thread> running;
            ~Threads()
            {
                for (std::thread &thread : running)
                    thread.join();
            }
        } letGoElsewhere;
        const auto addNew = [&] {
            QImage picture = newPicture(MappedSize);
            QVERIFY(!picture.isNull());
            writePattern(picture, picture.rect(), random());
            held.push_back({picture, picture.copy()});
        };
        addNew();
        int clonesOfClones = 0, rebases = 0;
        const auto noteCopy = [&](PictureMemoryKind from, const QImage &copy) {
            if (from == PictureMemoryKind::Clone)
                ++(pictureMemoryKind(copy) == PictureMemoryKind::Clone ? clonesOfClones : rebases);
        };
        for (int step = 0; step < 200; ++step) {
            Held &some = held[size_t(below(int(held.size())))];
            switch (below(7)) {
            case 0: // another holder of the same pixels
                held.push_back(some);
                break;
            case 1:
            case 2: { // a stroke, or a command over much of the picture
                // Some writes reach far more pages than a clone copies before it rebases.
                const int bandHeight = MappedSize.height() / 3 + below(MappedSize.height() / 2);
                const QRect band(0, below(MappedSize.height() - bandHeight), MappedSize.width(), bandHeight);
                const QRect rect = below(5) == 0 ? band : randomRect(60, 12);
                const PictureMemoryKind before = pictureMemoryKind(some.picture);
                const bool shared = !some.picture.isDetached();
                QVERIFY(below(2) == 0 ? detachPicture(some.picture) : detachPicture(some.picture, {rect}));
                if (shared)
                    noteCopy(before, some.picture);
                const unsigned colour = random();
                writePattern(some.picture, rect, colour);
                writePattern(some.expected, rect, colour);
                break;
            }
            case 3: {
                const QImage copy = copiedPicture(some.picture);
                QVERIFY(!copy.isNull());
                noteCopy(pictureMemoryKind(some.picture), copy);
                held.push_back({copy, some.expected.copy()});
                break;
            }
            case 4: { // an undo: the tiles of another state exchanged in
                const Held &other = held[size_t(below(int(held.size())))];
                QList<QRect> rects;
                for (int tile = below(5); tile < 160; tile += 1 + below(40))
                    rects.append(QRect((tile % 15) * 64, (tile / 15) * 64, 64, 64) & QRect(QPoint(), MappedSize));
                PicturePatch patch = copyPatch(other.picture, rects);
                QImage expected = some.expected.copy();
                for (const QRect &rect : rects)
                    for (int y = rect.top(); y <= rect.bottom(); ++y)
                        std::memcpy(expected.scanLine(y) + 3 * rect.left(),
                                    other.expected.constScanLine(y) + 3 * rect.left(), size_t(3 * rect.width()));
                const QImage rebuilt = exchangePatch(some.picture, patch);
                QVERIFY(!rebuilt.isNull());
                noteCopy(pictureMemoryKind(some.picture), rebuilt);
                QCOMPARE(patch.pixels, copyPatch(some.expected, rects).pixels);
                held.push_back({rebuilt, expected});
                break;
            }
            case 5:
                if (held.size() > 1) {
                    const size_t at = size_t(below(int(held.size())));
                    Held gone = std::move(held[at]);
                    held.erase(held.begin() + qsizetype(at));
                    if (below(2) == 0)
                        letGoElsewhere.running.emplace_back([gone = std::move(gone)]() mutable { gone = Held(); });
                }
                break;
            case 6:
                addNew();
                break;
            }
            while (held.size() > 6)
                held.erase(held.begin() + below(int(held.size())));
            std::set<std::pair<const uchar *, const uchar *>> checked;
            for (size_t i = 0; i < held.size(); ++i)
                if (checked.insert({held[i].picture.constBits(), held[i].expected.constBits()}).second)
                    QVERIFY2(sameBytes(held[i].picture, held[i].expected),
                             qPrintable(QStringLiteral("step %1, picture %2").arg(step).arg(i)));
        }
        if (PictureMemoryMode(mode) == PictureMemoryMode::CopyOnWrite) {
            QVERIFY(clonesOfClones > 0);
            QVERIFY(rebases > 0);
        } else if (PictureMemoryMode(mode) == PictureMemoryMode::CopyOnWriteWithoutPageMap) {
            QCOMPARE(clonesOfClones, 0);
        } else {
            for (const Held &h : held)
                QCOMPARE(pictureMemoryKind(h.picture), PictureMemoryKind::Anonymous);
        }
    }

    // An owner that has been cloned may be the only QImage of its pixels and still be read by
    // its clone: writing it must clone again (and, with assertions, its mapping refuse a write
    // that skipped detachPicture). Once no clone is left, it is written in place again.
    void aFrozenOwnerIsClonedUntilNoCloneReadsIt()
    {
        setPictureMemoryMode(PictureMemoryMode::CopyOnWrite);
        QImage owner = newPicture(MappedSize);
        writePattern(owner, owner.rect(), 5);
        const QImage original = owner.copy();
        QImage clone = owner;
        QVERIFY(detachPicture(clone));
        QCOMPARE(pictureMemoryKind(clone), PictureMemoryKind::Clone);
        QCOMPARE(pictureMemoryKind(owner), PictureMemoryKind::FrozenOwner);
        QVERIFY(owner.isDetached());
        QVERIFY(!writableInPlace(owner));
#ifndef NDEBUG
        QCOMPARE(permissionsAt(owner.constBits()), QByteArray("r--s"));
#endif

        QVERIFY(detachPicture(owner));
        QCOMPARE(pictureMemoryKind(owner), PictureMemoryKind::Clone);
        writePattern(owner, owner.rect(), 6);
        QVERIFY(sameBytes(clone, original));

        QImage lone = newPicture(MappedSize);
        const uchar *const pixels = lone.constBits();
        QImage lastClone = lone;
        QVERIFY(detachPicture(lastClone));
        lastClone = QImage();
        QVERIFY(detachPicture(lone));
        QCOMPARE(lone.constBits(), pixels);
        QCOMPARE(pictureMemoryKind(lone), PictureMemoryKind::Owner);
        writePattern(lone, lone.rect(), 7);
    }

    // Every kernel that writes a picture given to it makes it writable first: handed a frozen
    // owner that is the only QImage of its pixels, it must clone it, not write into its clone's
    // pixels.
    void kernelsCloneAFrozenOwnerBeforeWriting_data()
    {
        QTest::addColumn<int>("kernel");
        QTest::newRow("blit") << 0;
        QTest::newRow("stretched blit") << 1;
        QTest::newRow("rotation") << 2;
        QTest::newRow("levels") << 3;
        QTest::newRow("smoothing") << 4;
        QTest::newRow("colour replacement") << 5;
    }
    void kernelsCloneAFrozenOwnerBeforeWriting()
    {
        QFETCH(int, kernel);
        setPictureMemoryMode(PictureMemoryMode::CopyOnWrite);
        QImage owner = newPicture(MappedSize);
        writePattern(owner, owner.rect(), 13);
        QImage clone = owner;
        QVERIFY(detachPicture(clone));
        const QImage original = clone.copy();
        QCOMPARE(pictureMemoryKind(owner), PictureMemoryKind::FrozenOwner);
        const QImage source = noisePicture(MappedSize);
        LevelTable table;
        for (int i = 0; i < 256; ++i)
            table[size_t(i)] = quint8(255 - i);
        switch (kernel) {
        case 0: blit(owner, 10, 10, 500, 500, source, 0, 0, RasterOp::Copy); break;
        case 1: stretchBlit(owner, 400, 0, -400, 300, source, 0, 0, 400, 300); break;
        case 2: rotatePicture(source, owner, 0.5, 0, 0, 999, 799, 500, 400, 0, 0); break;
        case 3: processImageBytes(source, owner, EngineOp::BrightnessContrast, table); break;
        case 4: smoothRows(source, owner, 0, MappedSize.height()); break;
        case 5: replaceColour(owner, pixelOf(owner, 3, 3), Red); break;
        }
        QVERIFY(sameBytes(clone, original));
        QVERIFY(!sameBytes(owner, original));
    }

    // The fill replaces a colour in a shared picture through a clone where few rows match and
    // through a copy of its own where many do: either must give what a plain pass gives, and
    // leave the picture it shared with as it was.
    void colourReplacementInASharedPictureIsAPlainPass_data()
    {
        QTest::addColumn<QList<int>>("rowsWithTheColour");
        QTest::newRow("a few rows") << QList<int>{300, 301, 420};
        QTest::newRow("the first and the last row") << QList<int>{0, MappedSize.height() - 1};
        QTest::newRow("every row") << QList<int>();
    }
    void colourReplacementInASharedPictureIsAPlainPass()
    {
        QFETCH(QList<int>, rowsWithTheColour);
        setPictureMemoryMode(PictureMemoryMode::CopyOnWrite);
        QImage picture = newPicture(MappedSize);
        writePattern(picture, picture.rect(), 14);
        for (int y = 0; y < MappedSize.height(); ++y)
            if (rowsWithTheColour.isEmpty() || rowsWithTheColour.contains(y))
                for (int x = y % 7; x < MappedSize.width(); x += 97)
                    std::memset(picture.scanLine(y) + 3 * x, 0x11, 3);
        const QImage stored = picture;
        const QImage original = picture.copy();
        QImage expected = picture.copy();
        const QRect plainChange = replaceColour(expected, 0x111111, Blue);
        QCOMPARE(replaceColour(picture, 0x111111, Blue), plainChange);
        QVERIFY(sameBytes(picture, expected));
        QVERIFY(sameBytes(stored, original));
    }

    // An owner is the same memory in a forked child as in its parent: the child's writes must go
    // to pages of its own.
    void aForkedChildsWritesStayInTheChild()
    {
        setPictureMemoryMode(PictureMemoryMode::CopyOnWrite);
        QImage picture = newPicture(MappedSize);
        writePattern(picture, picture.rect(), 8);
        const QImage original = picture.copy();
        QCOMPARE(pictureMemoryKind(picture), PictureMemoryKind::Owner);
        const vptest::ChildResult child = vptest::runInChild([&picture] {
            if (!detachPicture(picture))
                return QStringLiteral("no detach");
            writePattern(picture, picture.rect(), 9);
            return QStringLiteral("written");
        });
        QCOMPARE(child.text, QStringLiteral("written"));
        QVERIFY(sameBytes(picture, original));
        QVERIFY(detachPicture(picture));
        writePattern(picture, QRect(0, 0, 10, 10), 10);
    }

    // Without a descriptor left for a file in memory, pictures are still had, copied whole.
    void noDescriptorLeftFallsBackToWholeCopies()
    {
        setPictureMemoryMode(PictureMemoryMode::CopyOnWrite);
        const vptest::ChildResult child = vptest::runInChild([] {
            while (::dup(0) >= 0) {
            }
            QImage picture = newPicture(MappedSize);
            if (picture.isNull())
                return QStringLiteral("no picture");
            writePattern(picture, picture.rect(), 11);
            const QImage shared = picture;
            if (!detachPicture(picture))
                return QStringLiteral("no detach");
            writePattern(picture, QRect(0, 0, 5, 5), 12);
            return QStringLiteral("%1 %2").arg(int(pictureMemoryKind(picture))).arg(picture == shared);
        });
        QCOMPARE(child.text, QStringLiteral("%1 0").arg(int(PictureMemoryKind::Anonymous)));
    }

    void cleanup()
    {
        setPictureMemoryMode(PictureMemoryMode::Automatic);
        releasePooledPictureMemory();
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
