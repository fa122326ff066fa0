// libFuzzer target for the picture-reading path: the bytes go through the in-memory BMP reader
// and, written to a file, through loadPicture (the BMP reader on a file, then Qt's readers).
// Besides the sanitizers, it checks what a reader promises: a picture within the limits, or a
// reason; and the same verdict on a 24-bit BMP from memory and from a file (its profile, if it
// embeds one, applied to both).
#include "imagelib/bmp.h"
#include "imagelib/picturefiles.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

QString scratchPath;

void removeScratch()
{
    if (!scratchPath.isEmpty())
        QFile::remove(scratchPath);
}

[[noreturn]] void broken(const char *promise)
{
    std::fprintf(stderr, "picture_fuzzer: %s\n", promise);
    std::abort();
}

bool writeScratch(const uint8_t *data, size_t size)
{
    QFile file(scratchPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
           && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size);
}

bool samePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    const size_t rowBytes = size_t(a.width()) * size_t(a.depth() / 8);
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt's image plugins are found through the application object; offscreen needs no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static std::unique_ptr<QGuiApplication> app = std::make_unique<QGuiApplication>(*argc, *argv);
    scratchPath = QDir::temp().filePath(QStringLiteral("vp-picture-fuzzer-%1").arg(::getpid()));
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Bmp24Read fromMemory = readBmp24(QByteArrayView(data, qsizetype(size)));
    if (!fromMemory.notBmp24 && fromMemory.picture.isNull() == fromMemory.error.isEmpty())
        broken("the BMP reader gave neither a picture nor a reason");
    if (!fromMemory.picture.isNull() && !PictureLimits::accepts(fromMemory.picture.size()))
        broken("the BMP reader gave a picture beyond the limits");

    if (!writeScratch(data, size))
        broken("cannot write the scratch file");
    const LoadedPicture loaded = loadPicture(scratchPath);
    if (loaded.ok() == !loaded.error.isEmpty())
        broken("loadPicture gave neither a picture nor a reason");
    if (loaded.ok() && !PictureLimits::accepts(loaded.picture.size()))
        broken("loadPicture gave a picture beyond the limits");
    if (!fromMemory.notBmp24) {
        if (loaded.error != fromMemory.error)
            broken("a 24-bit BMP gave another verdict from a file than from memory");
        if (loaded.ok() && !samePixels(loaded.picture, convertedFromProfile(fromMemory.picture, fromMemory.profile)))
            broken("a 24-bit BMP read from a file differs from the same bytes read from memory");
    }
    return 0;
}
