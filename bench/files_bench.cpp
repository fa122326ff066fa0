#include "bench.h"

#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"

#include <QBuffer>
#include <QColorSpace>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
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

void rawRead(const QString &path, QByteArray &into)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (::read(fd, into.data(), size_t(into.size())) != into.size())
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
    const QString path = benchFile("open", s);
    savePicture(vpbench::testPicture(s, QImage::Format_BGR888), path);
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
