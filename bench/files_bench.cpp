#include "bench.h"

#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"
#include "imagelib/picturememory.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// A folder of this run's own, gone when the benchmark ends: at 48 MP its files take 700 MB.
QString benchFolder()
{
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/vp-files-bench-XXXXXX"));
    return folder.path();
}

QString benchFile(const char *name, const vpbench::Size &s)
{
    return benchFolder() + QStringLiteral("/%1-%2x%3.bmp").arg(QLatin1String(name)).arg(s.width).arg(s.height);
}

QByteArray bmpBytes(const vpbench::Size &s)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeBmp24(buffer, vpbench::testPicture(s, QImage::Format_BGR888));
    return bytes;
}

// One write() of the whole buffer over an existing file, truncating it first as a fresh
// save would.
void rawWrite(const QString &path, const QByteArray &bytes)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        qFatal("raw write failed");
    ::close(fd);
}

void rawRead(const QString &path, char *into, qsizetype length)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (::read(fd, into, size_t(length)) != length)
        qFatal("raw read failed");
    ::close(fd);
}

void putLe32(QByteArray &bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = char(value >> (8 * i));
}

// The same picture behind a 124-byte header that embeds a colour profile (sRGB's primaries, a
// gamma of 1.8), stored before the pixels: opening it converts every pixel.
QByteArray bmpBytesWithProfile(const vpbench::Size &s)
{
    const QByteArray plain = bmpBytes(s);
    const QByteArray profile = QColorSpace(QColorSpace::Primaries::SRgb, 1.8f).iccProfile();
    QByteArray bytes = plain.left(54) + QByteArray(124 - 40, '\0') + profile + plain.mid(54);
    putLe32(bytes, 2, quint32(bytes.size()));
    putLe32(bytes, 10, quint32(14 + 124 + profile.size()));
    putLe32(bytes, 14, 124);
    putLe32(bytes, 14 + 56, 0x4D424544); // 'MBED'
    putLe32(bytes, 14 + 112, 124);
    putLe32(bytes, 14 + 116, quint32(profile.size()));
    return bytes;
}

void rawRead(const QString &path, QByteArray &into)
{
    rawRead(path, into.data(), into.size());
}

// The largest picture, written without the benchmark's test picture (which takes long to make).
void writeLargest(const QString &path, const vpbench::Size &s)
{
    QImage picture = newPicture(QSize(s.width, s.height));
    for (int y = 0; y < s.height; ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < 3 * s.width; ++x)
            row[x] = uchar(x * 7 + y * 13);
    }
    if (!savePicture(picture, path).isEmpty())
        qFatal("cannot write the largest picture");
}

const std::vector<vpbench::Size> LargestSize = {{16384, 16384}};
const std::vector<vpbench::Size> OpenSizes = {vpbench::FortyEightMegapixels, {16384, 16384}};

QString openFile(const vpbench::Size &s)
{
    const QString path = benchFile("open", s);
    if (!QFile::exists(path)) {
        if (s.width == 16384)
            writeLargest(path, s);
        else
            savePicture(vpbench::testPicture(s, QImage::Format_BGR888), path);
    }
    return path;
}

int repsFor(const vpbench::Size &s) { return s.megapixels() > 2 ? 9 : 25; }

} // namespace

VP_BENCH("bmp-write-read", 400, [](const vpbench::Size &s) -> double {
    const QString path = benchFile("yardstick", s);
    const QByteArray bytes = bmpBytes(s);
    QByteArray back(bytes.size(), '\0');
    rawWrite(path, bytes);
    return vpbench::medianMs(repsFor(s), [&] {
        rawWrite(path, bytes);
        rawRead(path, back);
    });
})

VP_BENCH("raw-write", 401, [](const vpbench::Size &s) -> double {
    const QString path = benchFile("raw", s);
    const QByteArray bytes = bmpBytes(s);
    rawWrite(path, bytes);
    return vpbench::medianMs(repsFor(s), [&] { rawWrite(path, bytes); });
})

VP_BENCH("raw-read", 402, [](const vpbench::Size &s) -> double {
    const QString path = benchFile("raw", s);
    const QByteArray bytes = bmpBytes(s);
    QByteArray back(bytes.size(), '\0');
    rawWrite(path, bytes);
    return vpbench::medianMs(repsFor(s), [&] { rawRead(path, back); });
})

VP_BENCH("save-bmp", 403, [](const vpbench::Size &s) -> double {
    const QString path = benchFile("save", s);
    const QImage picture = vpbench::testPicture(s, QImage::Format_BGR888);
    savePicture(picture, path);
    return vpbench::medianMs(repsFor(s), [&] {
        if (!savePicture(picture, path).isEmpty())
            qFatal("save failed");
    });
})

VP_BENCH("open-bmp", 404, [](const vpbench::Size &s) -> double {
    const QString path = openFile(s);
    return vpbench::medianMs(repsFor(s), [&] {
        if (!loadPicture(path).ok())
            qFatal("open failed");
    });
})

VP_BENCH("open-bmp-profile", 405, [](const vpbench::Size &s) -> double {
    const QString path = benchFile("open-profile", s);
    rawWrite(path, bmpBytesWithProfile(s));
    return vpbench::medianMs(repsFor(s), [&] {
        if (!loadPicture(path).ok())
            qFatal("open failed");
    });
})

// The same at the largest size, and both in memory the process has not touched before, as a
// program just started has it ("-fresh": the picture memory's pool emptied before each open, and
// a new buffer for each raw read).
VP_BENCH_AT("raw-read", 402, LargestSize, [](const vpbench::Size &s) -> double {
    const QString path = openFile(s);
    QByteArray back(QFileInfo(path).size(), '\0');
    return vpbench::medianMs(3, [&] { rawRead(path, back); });
})

VP_BENCH_AT("open-bmp", 404, LargestSize, [](const vpbench::Size &s) -> double {
    const QString path = openFile(s);
    return vpbench::medianMs(3, [&] {
        if (!loadPicture(path).ok())
            qFatal("open failed");
    });
})

VP_BENCH_AT("raw-read-fresh", 405, OpenSizes, [](const vpbench::Size &s) -> double {
    const QString path = openFile(s);
    const qsizetype length = QFileInfo(path).size();
    void *buffer = nullptr;
    const double ms = vpbench::medianMs(
        3, [&] { rawRead(path, static_cast<char *>(buffer), length); },
        [&] {
            if (buffer)
                ::munmap(buffer, size_t(length));
            buffer = ::mmap(nullptr, size_t(length), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        });
    ::munmap(buffer, size_t(length));
    return ms;
})

VP_BENCH_AT("open-bmp-fresh", 406, OpenSizes, [](const vpbench::Size &s) -> double {
    const QString path = openFile(s);
    return vpbench::medianMs(
        3,
        [&] {
            if (!loadPicture(path).ok())
                qFatal("open failed");
        },
        [] { releasePooledPictureMemory(); });
})
