// The picture memory under the first write of a shared picture: a detach (a clone where the
// memory allows, "-whole" for the whole copy it replaces), the first write after it, the detach
// of a clone that has written pages, the history's rebuild from a small patch, and the temp
// file's partial rewrite after a stroke from corner to corner ("rewrite-bmp-bytes": the bytes it
// writes, against the file's), and a session of committed strokes.
#include "bench.h"

#include "imagelib/bmp.h"
#include "imagelib/picturememory.h"
#include "imagelib/picturepatch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const std::vector<vpbench::Size> LargeSizes = {vpbench::FortyEightMegapixels, {16384, 16384}};

// Quicker to make than the benchmark's test picture at the largest size.
QImage patternPicture(const vpbench::Size &size)
{
    QImage picture = newPicture(QSize(size.width, size.height));
    if (picture.isNull())
        qFatal("no memory for the picture");
    for (int y = 0; y < size.height; ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < 3 * size.width; ++x)
            row[x] = uchar(x * 7 + y * 13);
    }
    return picture;
}

// A pencil line of width 3 from the top left corner to the bottom right one.
void writeDiagonal(QImage &picture, uchar value)
{
    const int width = picture.width(), height = picture.height();
    for (int y = 0; y < height; ++y) {
        const int x = int(qint64(y) * (width - 3) / height);
        std::memset(picture.scanLine(y) + 3 * x, value, 9);
    }
}

// The benchmark's short stroke of the largest-picture steps: 360 pixels across, 9 high.
void writeShortStroke(QImage &picture, uchar value)
{
    for (int y = 36; y < 45; ++y)
        std::memset(picture.scanLine(y) + 3 * 40, value, 3 * 360);
}

enum class Write { None, Short, Diagonal };

double detachCase(const vpbench::Size &size, PictureMemoryMode mode, Write write)
{
    setPictureMemoryMode(mode);
    const QImage shared = patternPicture(size);
    QImage detached;
    uchar value = 0;
    const double ms = vpbench::medianMs(
        5,
        [&] {
            detached = shared;
            if (!detachPicture(detached))
                qFatal("detach failed");
            if (write == Write::Short)
                writeShortStroke(detached, ++value);
            else if (write == Write::Diagonal)
                writeDiagonal(detached, ++value);
        },
        [&] { detached = QImage(); });
    setPictureMemoryMode(PictureMemoryMode::Automatic);
    return ms;
}

// A canvas after its first stroke was committed: a clone with a stroke's pages written, shared
// with the stored picture.
QImage committedClone(const vpbench::Size &size)
{
    QImage clone = patternPicture(size);
    const QImage opened = clone;
    if (!detachPicture(clone))
        qFatal("detach failed");
    writeDiagonal(clone, 1);
    return clone;
}

double detachCloneCase(const vpbench::Size &size)
{
    const QImage committed = committedClone(size);
    QImage detached;
    return vpbench::medianMs(
        5,
        [&] {
            detached = committed;
            if (!detachPicture(detached))
                qFatal("detach failed");
        },
        [&] { detached = QImage(); });
}

// Undo and redo of a short stroke: the history's current state and the tiles where the state
// stepped to differs.
double exchangeCase(const vpbench::Size &size, bool afterStroke)
{
    const QImage current = afterStroke ? committedClone(size) : patternPicture(size);
    QImage changed = copiedPicture(current);
    writeShortStroke(changed, 200);
    std::optional<PicturePatch> patch = differingTiles(current, changed, QRect(0, 0, 500, 60), 1 << 30);
    if (!patch || patch->isEmpty())
        qFatal("no patch");
    changed = QImage();
    QImage rebuilt;
    return vpbench::medianMs(
        5,
        [&] {
            rebuilt = exchangePatch(current, *patch);
            if (rebuilt.isNull())
                qFatal("exchange failed");
        },
        [&] {
            if (!rebuilt.isNull())
                exchangePatch(rebuilt, *patch);
            rebuilt = QImage();
        });
}

qint64 bytesWrittenSoFar()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : io.readAll().split('\n'))
        if (line.startsWith("wchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

double rewriteCase(const vpbench::Size &size)
{
    const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/vp-memory-bench-XXXXXX"));
    const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral("temp.bmp")));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const QImage before = patternPicture(size);
    if (fd < 0 || writeBmp24(fd, before) != 0)
        qFatal("cannot write the file");
    QImage after = copiedPicture(before);
    writeDiagonal(after, 255);
    const std::optional<PicturePatch> patch = differingTiles(before, after, after.rect(), qint64(1) << 40);
    if (!patch)
        qFatal("no patch");
    qint64 bytes = 0;
    bool forth = true;
    const double ms = vpbench::medianMs(5, [&] {
        const qint64 writtenBefore = bytesWrittenSoFar();
        if (rewriteBmp24(fd, forth ? after : before, patch->rects) != 0)
            qFatal("rewrite failed");
        bytes = bytesWrittenSoFar() - writtenBefore;
        forth = !forth;
    });
    ::close(fd);
    std::printf("rewrite-bmp-bytes %g %lld\n", size.megapixels(), static_cast<long long>(bytes));
    std::printf("rewrite-bmp-file-bytes %g %lld\n", size.megapixels(),
                static_cast<long long>(bmp24FileSize(after.size())));
    return ms;
}

// Forty strokes, each committed: the stored picture shares the canvas's pixels until the next
// stroke detaches them. Each stroke writes a slanted line over a tenth of the rows. The mean time
// of a stroke's detach and writes, and the worst ("stroke-session-worst").
double strokeSession(const vpbench::Size &size)
{
    QImage stored = patternPicture(size);
    QImage canvas = stored;
    constexpr int Strokes = 40;
    double total = 0, worst = 0;
    QElapsedTimer timer;
    for (int stroke = 0; stroke < Strokes; ++stroke) {
        timer.start();
        if (!detachPicture(canvas))
            qFatal("detach failed");
        const int top = stroke * 997 % (size.height * 9 / 10);
        for (int y = top; y < top + size.height / 10; ++y)
            std::memset(canvas.scanLine(y) + 3 * ((y * 7 + stroke * 1000) % (size.width - 20)), stroke, 27);
        const double ms = timer.nsecsElapsed() / 1e6;
        total += ms;
        worst = std::max(worst, ms);
        stored = canvas;
    }
    std::printf("stroke-session-worst %g %.2f\n", size.megapixels(), worst);
    return total / Strokes;
}

} // namespace

VP_BENCH_AT("detach-shared", 420, LargeSizes,
            [](const vpbench::Size &s) { return detachCase(s, PictureMemoryMode::Automatic, Write::None); })
VP_BENCH_AT("detach-shared-whole", 421, LargeSizes,
            [](const vpbench::Size &s) { return detachCase(s, PictureMemoryMode::WholeCopies, Write::None); })
VP_BENCH_AT("detach-write-short", 422, LargeSizes,
            [](const vpbench::Size &s) { return detachCase(s, PictureMemoryMode::Automatic, Write::Short); })
VP_BENCH_AT("detach-write-diagonal", 423, LargeSizes,
            [](const vpbench::Size &s) { return detachCase(s, PictureMemoryMode::Automatic, Write::Diagonal); })
VP_BENCH_AT("detach-write-diagonal-whole", 424, LargeSizes,
            [](const vpbench::Size &s) { return detachCase(s, PictureMemoryMode::WholeCopies, Write::Diagonal); })
VP_BENCH_AT("detach-clone", 425, LargeSizes, detachCloneCase)
VP_BENCH_AT("exchange-patch", 426, LargeSizes, [](const vpbench::Size &s) { return exchangeCase(s, false); })
VP_BENCH_AT("exchange-patch-after-stroke", 427, LargeSizes,
            [](const vpbench::Size &s) { return exchangeCase(s, true); })
VP_BENCH_AT("rewrite-bmp", 428, {vpbench::FortyEightMegapixels}, rewriteCase)
VP_BENCH_AT("stroke-session", 429, LargeSizes, strokeSession)
