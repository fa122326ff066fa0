#include "fixture.h"
#include "imagelib/bmp.h"
#include "testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace {

// A file of the test's own, open for reading and writing, holding the picture's whole BMP.
class BmpFile {
public:
    explicit BmpFile(const QImage &picture, int flags = O_RDWR)
        : m_path(QFile::encodeName(m_folder.filePath(QStringLiteral("temp.bmp"))))
    {
        const int fd = ::open(m_path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || writeBmp24(fd, picture) != 0 || ::close(fd) != 0)
            qFatal("cannot write the test file");
        m_fd = ::open(m_path.constData(), flags | O_CLOEXEC);
        if (m_fd < 0)
            qFatal("cannot open the test file");
    }
    ~BmpFile() { ::close(m_fd); }
    int fd() const { return m_fd; }
    QByteArray bytes() const { return fileBytes(QFile::decodeName(m_path)); }
    void put(qsizetype at, char byte) const
    {
        if (::pwrite(m_fd, &byte, 1, off_t(at)) != 1)
            qFatal("cannot change the test file");
    }

private:
    QTemporaryDir m_folder;
    QByteArray m_path;
    int m_fd = -1;
};

void changeInside(QImage &picture, const QRect &rect, std::mt19937 &random)
{
    const QRect inside = rect & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (picture.format() == QImage::Format_Indexed8)
                picture.setPixel(x, y, uint(random() % unsigned(picture.colorCount())));
            else
                picture.setPixel(x, y, 0xFF000000u | (random() & 0xFFFFFF));
        }
}

} // namespace

class TestBmpRewrite : public QObject {
    Q_OBJECT
private slots:
    // The temp file is brought up to date by rewriting only what changed: after any sequence of
    // such rewrites it must hold exactly what a whole write gives. Odd widths put padding after
    // each row, rectangles reach past the edges, and a picture of many short rows needs more
    // pieces than one call takes.
    void partialRewritesEndAsAWholeWrite_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("format");
        for (const QSize size : {QSize(1, 1), QSize(5, 3), QSize(6, 4), QSize(7, 1500), QSize(333, 77), QSize(64, 130)})
            for (QImage::Format format : {QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_Indexed8})
                QTest::addRow("%d x %d, format %d", size.width(), size.height(), int(format)) << size << int(format);
    }
    void partialRewritesEndAsAWholeWrite()
    {
        QFETCH(QSize, size);
        QFETCH(int, format);
        QImage picture = noisePicture(size);
        if (QImage::Format(format) == QImage::Format_Indexed8)
            picture = picture.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        else
            picture = picture.convertToFormat(QImage::Format(format));
        const BmpFile file(picture);
        std::mt19937 random(size.width() * 31 + size.height());
        const auto below = [&random](int n) { return int(random() % unsigned(n)); };
        for (int round = 0; round < 30; ++round) {
            QList<QRect> rects;
            for (int i = below(4); i >= 0; --i) {
                switch (below(4)) {
                case 0: // everything, and beyond
                    rects.append(QRect(-3, -2, size.width() + 9, size.height() + 5));
                    break;
                case 1: // up to the last column
                    rects.append(QRect(below(size.width()), below(size.height()), size.width(), 1 + below(4)));
                    break;
                default:
                    rects.append(QRect(below(size.width()), below(size.height()), 1 + below(5), 1 + below(5)));
                    break;
                }
            }
            for (const QRect &rect : std::as_const(rects))
                changeInside(picture, rect, random);
            QCOMPARE(rewriteBmp24(file.fd(), picture, rects), 0);
            QCOMPARE(file.bytes(), bmpOf(picture));
        }
    }

    // Only the rectangles' bytes are written: bytes elsewhere stay as the file had them, even
    // wrong ones, and a rectangle that reaches the last column writes its rows' padding too.
    void onlyTheRectanglesBytesAreWritten_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<bool>("reachesPadding");
        QTest::newRow("up to the last column") << QRect(3, 1, 2, 2) << true;
        QTest::newRow("short of the last column") << QRect(1, 1, 3, 2) << false;
        QTest::newRow("the first column, after a row's padding") << QRect(0, 0, 1, 2) << false;
    }
    void onlyTheRectanglesBytesAreWritten()
    {
        QFETCH(QRect, rect);
        QFETCH(bool, reachesPadding);
        QImage picture = noisePicture(QSize(5, 4)); // rows of 15 bytes and 1 of padding
        const BmpFile file(picture);
        const qsizetype fileRow1 = 54 + 2 * 16; // picture row 1, the file's third from the bottom
        file.put(fileRow1 + 15, '\x7f');        // its padding
        file.put(54 + 0 * 16 + 4, '\x55');      // a pixel byte of picture row 3, outside the rect
        std::mt19937 random(3);
        changeInside(picture, rect, random);
        QCOMPARE(rewriteBmp24(file.fd(), picture, {rect}), 0);
        QByteArray expected = bmpOf(picture);
        expected[54 + 4] = '\x55';
        if (!reachesPadding)
            expected[fileRow1 + 15] = '\x7f';
        QCOMPARE(file.bytes(), expected);
    }

    // A file that does not hold a picture of this size must be written whole: rewriting it in
    // place would leave a file that is neither. A write that fails must say so.
    void whatCannotBeRewrittenIsRefused_data()
    {
        QTest::addColumn<QSize>("fileSize");
        QTest::addColumn<int>("damagedAt");
        QTest::addColumn<int>("openedAs");
        QTest::addColumn<int>("error");
        QTest::newRow("another size") << QSize(10, 11) << -1 << int(O_RDWR) << EINVAL;
        QTest::newRow("same length, other width") << QSize(11, 10) << 18 << int(O_RDWR) << EINVAL;
        QTest::newRow("no header") << QSize(11, 10) << 0 << int(O_RDWR) << EINVAL;
        QTest::newRow("read-only descriptor") << QSize(11, 10) << -1 << int(O_RDONLY) << EBADF;
    }
    void whatCannotBeRewrittenIsRefused()
    {
        QFETCH(QSize, fileSize);
        QFETCH(int, damagedAt);
        QFETCH(int, openedAs);
        QFETCH(int, error);
        const BmpFile file(noisePicture(fileSize), openedAs);
        if (damagedAt >= 0)
            file.put(damagedAt, '\x01');
        const QByteArray before = file.bytes();
        QCOMPARE(rewriteBmp24(file.fd(), noisePicture(QSize(11, 10), QImage::Format_BGR888, 9), {QRect(0, 0, 4, 4)}),
                 error);
        if (error == EINVAL)
            QCOMPARE(file.bytes(), before);
        QCOMPARE(rewriteBmp24(file.fd(), QImage(), {QRect(0, 0, 1, 1)}), EINVAL);
    }
};
VP_TEST(TestBmpRewrite)
#include "tst_bmprewrite.moc"
