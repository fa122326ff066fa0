// The largest picture the program takes (16384 x 16384, 268 MP) through the steps of a user:
// Open of a BMP file, one pencil stroke, Flip Horizontal, Undo. Each step's time on the interface
// thread ("largest-open 268 <ms>" ...), the temp file's write behind the stroke
// ("largest-stroke-written"), and the peak resident memory of the whole ("largest-peak-mb").
// The steps run in a process of their own (this program started again), so that the memory is
// theirs alone.
#include "session.h"

#include "app/mainwindow.h"
#include "document/document.h"
#include "document/documentwindow.h"
#include "document/tempfile.h"
#include "imagelib/picturefiles.h"
#include "imagelib/picturememory.h"
#include "tools/palette.h"
#include "tools/strokeframe.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int Side = 16384;

// Left half yellow, right half blue, as a 24-bit BMP file.
bool writePicture(const QString &path)
{
    QImage picture = newPicture(QSize(Side, Side));
    if (picture.isNull())
        return false;
    for (int y = 0; y < Side; ++y) {
        uchar *row = picture.scanLine(y);
        for (int x = 0; x < Side; ++x, row += 3) {
            const bool left = x < Side / 2;
            row[0] = left ? 0x00 : 0xFF;
            row[1] = left ? 0xFF : 0x80;
            row[2] = left ? 0xFF : 0x00;
        }
    }
    return savePicture(picture, path).isEmpty();
}

// The peak resident memory of this program since it started. Not getrusage's: Linux carries that
// over from the process that started this one (its memory at the fork), here the benchmark with
// all its cases behind it.
long peakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void report(const char *step, double ms)
{
    std::printf("%s %.0f %.0f\n", step, double(Side) * Side / 1e6, ms);
    std::fflush(stdout);
}

} // namespace

int vpbench::largestPictureSteps(const QString &path)
{
    QTemporaryDir folder;
    MainWindow main(std::make_unique<vpbench::OpeningPrompts>(path),
                    std::make_unique<TempFile>(folder.path(), folder.path() + QStringLiteral("/fallback")));
    main.show();
    DocumentWindow *window = main.newDocument();
    Document *doc = &window->document();
    StrokeFrame &strokes = *window->findChild<StrokeFrame *>();
    QApplication::processEvents();
    QElapsedTimer clock;

    // The yardstick of Open: the file's bytes read into memory the process has not touched yet,
    // as a program just started has it.
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return 1;
        const qint64 length = file.size();
        clock.start();
        void *buffer = ::mmap(nullptr, size_t(length), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (buffer == MAP_FAILED)
            return 1;
        for (qint64 done = 0; done < length;) {
            const ssize_t got = ::read(file.handle(), static_cast<char *>(buffer) + done, size_t(length - done));
            if (got <= 0)
                return 1;
            done += got;
        }
        report("largest-raw-read", clock.nsecsElapsed() / 1e6);
        ::munmap(buffer, size_t(length));
    }

    clock.start();
    main.open();
    doc->canvas().image();
    QApplication::processEvents();
    report("largest-open", clock.nsecsElapsed() / 1e6);
    if (doc->canvas().size() != QSize(Side, Side))
        return 1;
    main.tempFile().finishWriting();

    Palette &palette = *main.palette;
    palette.pencilButton->click();
    clock.start();
    strokes.press(QPointF(40, 40));
    for (int x = 60; x <= 400; x += 20) {
        strokes.move(QPointF(x, 40));
        QApplication::processEvents();
    }
    strokes.release(QPointF(400, 40));
    QApplication::processEvents();
    report("largest-stroke", clock.nsecsElapsed() / 1e6);
    main.tempFile().finishWriting();
    report("largest-stroke-written", clock.nsecsElapsed() / 1e6);

    clock.start();
    main.flipHorizontal();
    QApplication::processEvents();
    report("largest-flip", clock.nsecsElapsed() / 1e6);

    clock.start();
    main.undo();
    doc->canvas().image();
    QApplication::processEvents();
    report("largest-undo", clock.nsecsElapsed() / 1e6);
    main.tempFile().finishWriting();

    std::printf("largest-peak-mb %.0f %ld\n", double(Side) * Side / 1e6, peakResidentKb() / 1024);
    std::fflush(stdout);
    return 0;
}

namespace {

double largestCase(const vpbench::Size &size)
{
    // Once, in place of the largest of the usual sizes.
    if (size.width != 8000)
        return -1;
    const QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("largest.bmp"));
    if (!writePicture(path))
        qFatal("cannot write the largest picture");
    std::fflush(stdout);
    QProcess steps;
    steps.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    steps.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--largest-steps"), path});
    if (!steps.waitForFinished(-1) || steps.exitStatus() != QProcess::NormalExit || steps.exitCode() != 0)
        std::fprintf(stderr, "largest: the steps failed\n");
    return -1;
}

} // namespace

VP_BENCH("largest", 900, largestCase)
