#include "imagelib/picturefiles.h"

#include "imagelib/bmp.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

LoadedPicture failed(const QString &reason)
{
    LoadedPicture result;
    result.error = reason;
    return result;
}

// Room for the largest picture we accept in the widest format a reader may decode into
// (16-bit-a-channel RGBA, 8 bytes a pixel), in the megabytes QImageReader counts.
constexpr int ReaderAllocationLimitMb = int((PictureLimits::MaxPixels * 8 + (1 << 20) - 1) >> 20);

bool readExactly(QIODevice &device, char *data, qint64 length)
{
    return device.read(data, length) == length;
}

// libjpeg pads a cut-off scan with grey and reports success, so a truncated JPEG would open as
// a picture with a grey lower part. A complete one has its end-of-image marker somewhere after
// the first scan header (inside scan data a 0xFF byte is always followed by 0x00 or a restart).
bool jpegIsComplete(QIODevice &file)
{
    char soi[2];
    if (!file.seek(0) || !readExactly(file, soi, 2) || uchar(soi[0]) != 0xFF || uchar(soi[1]) != 0xD8)
        return true;
    for (;;) {
        char byte;
        if (!readExactly(file, &byte, 1))
            return false;
        if (uchar(byte) != 0xFF)
            continue;
        uchar marker = 0xFF;
        while (marker == 0xFF) {
            if (!readExactly(file, &byte, 1))
                return false;
            marker = uchar(byte);
        }
        if (marker == 0xD9)
            return true;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        char lengthBytes[2];
        if (!readExactly(file, lengthBytes, 2))
            return false;
        const int length = (uchar(lengthBytes[0]) << 8) | uchar(lengthBytes[1]);
        if (length < 2 || !file.seek(file.pos() + length - 2) || file.pos() > file.size())
            return false;
        if (marker == 0xDA)
            break;
    }
    QByteArray chunk;
    bool afterFF = false;
    while (!(chunk = file.read(1 << 20)).isEmpty()) {
        for (const char c : std::as_const(chunk)) {
            if (afterFF && uchar(c) == 0xD9)
                return true;
            afterFF = uchar(c) == 0xFF;
        }
    }
    return false;
}

bool skipPastEnd(QIODevice &file, qint64 length)
{
    return file.seek(file.pos() + length) && file.pos() <= file.size();
}

bool skipGifSubBlocks(QIODevice &file)
{
    for (;;) {
        char length;
        if (!readExactly(file, &length, 1))
            return false;
        if (length == 0)
            return true;
        if (!skipPastEnd(file, uchar(length)))
            return false;
    }
}

// Qt's GIF reader hands back whatever it decoded before the data ran out, so a cut-off file
// would open with a blank lower part. The first frame is complete when its image data ends
// with the empty block inside the file.
bool gifFirstFrameIsComplete(QIODevice &file)
{
    char screen[13];
    if (!file.seek(0) || !readExactly(file, screen, 13))
        return false;
    const auto colourTableBytes = [](char packed) { return (uchar(packed) & 0x80) ? 3 << ((uchar(packed) & 7) + 1) : 0; };
    if (!skipPastEnd(file, colourTableBytes(screen[10])))
        return false;
    for (;;) {
        char block[10];
        if (!readExactly(file, block, 1))
            return false;
        if (uchar(block[0]) == 0x21) {
            if (!readExactly(file, block, 1) || !skipGifSubBlocks(file))
                return false;
        } else if (uchar(block[0]) == 0x2C) {
            return readExactly(file, block, 9) && skipPastEnd(file, colourTableBytes(block[8]) + 1)
                   && skipGifSubBlocks(file);
        } else {
            return true;
        }
    }
}

// Qt's BMP reader hands back a picture when the pixel data runs out early (or starts past the
// end), its missing rows left as whatever the buffer held. Uncompressed rows have a fixed
// length, so the file must hold them all; run-length data has none and is left to the reader.
bool bmpPixelsArePresent(QIODevice &file)
{
    uchar head[34];
    const qint64 headLength = file.seek(0) ? file.read(reinterpret_cast<char *>(head), 34) : -1;
    const bool coreHeader = headLength >= 18 && qFromLittleEndian<quint32>(head + 14) == 12;
    if (headLength < (coreHeader ? 26 : 34))
        return false;
    const qint64 pixelOffset = qFromLittleEndian<quint32>(head + 10);
    const qint64 width = coreHeader ? qFromLittleEndian<quint16>(head + 18) : qFromLittleEndian<qint32>(head + 18);
    const qint64 height = coreHeader ? qFromLittleEndian<quint16>(head + 20) : qAbs(qint64(qFromLittleEndian<qint32>(head + 22)));
    const qint64 bits = qFromLittleEndian<quint16>(head + (coreHeader ? 24 : 28));
    const quint32 compression = coreHeader ? 0 : qFromLittleEndian<quint32>(head + 30);
    const bool fixedRows = compression == 0 || compression == 3 || compression == 6; // BI_RGB, BI_(ALPHA)BITFIELDS
    // Headers out of range are the reader's to refuse; the sum below stays exact within them.
    if (!fixedRows || width <= 0 || width > PictureLimits::MaxSide || height > PictureLimits::MaxSide || bits > 64)
        return true;
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    return pixelOffset + rowBytes * height <= file.size();
}

// Whether the file holds all the data its header promises, for the formats whose readers would
// otherwise pass off a cut-off file as a picture.
bool dataIsComplete(const QByteArray &format, QIODevice &file)
{
    if (format == "jpeg")
        return jpegIsComplete(file);
    if (format == "gif")
        return gifFirstFrameIsComplete(file);
    if (format == "bmp")
        return bmpPixelsArePresent(file);
    return true;
}

LoadedPicture readWithQt(QFile &file)
{
    QByteArray format;
    {
        if (!file.seek(0))
            return failed(PictureFileErrors::unreadable());
        QImageReader probe(&file);
        probe.setDecideFormatFromContent(true);
        if (!probe.canRead())
            return failed(QStringLiteral("it is not a picture this program can read"));
        format = probe.format();
        const QSize declared = probe.size();
        if (declared.isValid() && !PictureLimits::accepts(declared))
            return failed(PictureFileErrors::tooLarge());
    }
    // Before decoding: a few bytes declaring a large picture must not cost its memory.
    if (!dataIsComplete(format, file))
        return failed(PictureFileErrors::damaged());
    if (!file.seek(0))
        return failed(PictureFileErrors::unreadable());
    QImageReader reader(&file, format);
    reader.setAllocationLimit(ReaderAllocationLimitMb);
    QImage picture;
    if (!reader.read(&picture) || picture.isNull()) {
        switch (reader.error()) {
        case QImageReader::UnsupportedFormatError:
            return failed(QStringLiteral("it is not a picture this program can read"));
        case QImageReader::DeviceError:
            return failed(PictureFileErrors::unreadable());
        default:
            return failed(PictureFileErrors::damaged());
        }
    }
    if (!PictureLimits::accepts(picture.size()))
        return failed(PictureFileErrors::tooLarge());
    LoadedPicture result;
    result.picture = picture;
    return result;
}

QString writeFailure(int error)
{
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("the disk is full");
    case EFBIG:
        return QStringLiteral("the file is too large for the disk");
    case EROFS:
        return QStringLiteral("the disk is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case EIO:
        return QStringLiteral("the disk reported an error");
    default:
        return QStringLiteral("the file could not be written (%1)").arg(QString::fromLocal8Bit(std::strerror(error)));
    }
}

#ifdef Q_OS_UNIX
// The file the path names, through any symbolic links: the new file replaces that one, and the
// links stay.
QString finalPathOf(const QString &path)
{
    QFileInfo file(path);
    for (int depth = 0; depth < 40 && file.isSymLink(); ++depth)
        file.setFile(file.symLinkTarget());
    return file.isSymLink() ? path : file.filePath();
}

// Writes the new file under a name of its own beside the old one, then renames it over: a
// reader of the path finds the old file or the whole new one, and a failure leaves the old one
// as it was. No sync to the disk: a safe write here is one no other program can see half done.
QString writeAndReplace(const QImage &picture, const QString &path)
{
    const QByteArray finalName = QFile::encodeName(finalPathOf(path));
    struct stat existing {};
    const bool replacing = ::stat(finalName.constData(), &existing) == 0;
    int fd = -1;
    QByteArray partName;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        partName = finalName + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36);
        // Until it has the old file's permissions, nobody else may read the new one.
        fd = ::open(partName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        const int error = errno;
        return error == EACCES || error == EPERM || error == EROFS ? writeFailure(error)
                                                                    : QStringLiteral("the file could not be created");
    }
    int error = writeBmp24(fd, picture);
    if (!error && replacing)
        (void)::fchmod(fd, existing.st_mode & 07777);
    if (::close(fd) != 0 && !error)
        error = errno;
    if (error) {
        ::unlink(partName.constData());
        return writeFailure(error);
    }
    if (::rename(partName.constData(), finalName.constData()) != 0) {
        ::unlink(partName.constData());
        return QStringLiteral("the file could not be replaced");
    }
    return {};
}
#endif

} // namespace

bool PictureLimits::accepts(QSize size)
{
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxSide && size.height() <= MaxSide
           && qint64(size.width()) * size.height() <= MaxPixels;
}

QString PictureFileErrors::damaged() { return QStringLiteral("the file is damaged or truncated"); }
QString PictureLimits::describeMaxPixels()
{
    return QStringLiteral("%1 megapixels (%2 x %2)").arg(MaxPixels / 1'000'000).arg(MaxSquareSide);
}

QString PictureFileErrors::tooLarge()
{
    return QStringLiteral("the picture is larger than %1 pixels a side or %2 in all")
        .arg(PictureLimits::MaxSide)
        .arg(PictureLimits::describeMaxPixels());
}
QString PictureFileErrors::outOfMemory() { return QStringLiteral("there is not enough memory for the picture"); }
QString PictureFileErrors::unreadable() { return QStringLiteral("the file could not be read"); }
QString PictureFileErrors::cannotOpen(const QString &path, const QString &reason)
{
    return QStringLiteral("The file \"%1\" cannot be opened: %2.").arg(path, reason.isEmpty() ? unreadable() : reason);
}

LoadedPicture loadPicture(const QString &path)
{
    if (path.isEmpty())
        return {};
    const QFileInfo info(path);
    if (!info.exists())
        return failed(QStringLiteral("the file does not exist"));
    if (info.isDir())
        return failed(QStringLiteral("it is a folder"));
    // Devices and pipes could block or never end.
    if (!info.isFile())
        return failed(QStringLiteral("it is not a picture this program can read"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return failed(info.isReadable() ? PictureFileErrors::unreadable() : QStringLiteral("permission denied"));
    if (file.size() == 0)
        return failed(QStringLiteral("the file is empty"));

    Bmp24Read bmp = readBmp24(file);
    if (!bmp.notBmp24) {
        if (bmp.picture.isNull())
            return failed(bmp.error);
        LoadedPicture result;
        result.picture = std::move(bmp.picture);
        return result;
    }
    return readWithQt(file);
}

QString savePicture(const QImage &picture, const QString &path)
{
    if (path.isEmpty())
        return QStringLiteral("no file name was given");
    if (picture.isNull())
        return QStringLiteral("there is no picture to save");
    if (bmp24FileSize(picture.size()) > qsizetype(UINT32_MAX))
        return QStringLiteral("the picture is too large for a BMP file");
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a folder");
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("the folder does not exist");
    // Renaming a new file over a read-only one would succeed.
    if (info.exists() && !info.isWritable())
        return QStringLiteral("permission denied");
#ifdef Q_OS_UNIX
    return writeAndReplace(picture, path);
#else
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return folder.isWritable() ? QStringLiteral("the file could not be created") : QStringLiteral("permission denied");
    if (!writeBmp24(file, picture)) {
        file.cancelWriting();
        return QStringLiteral("the file could not be written");
    }
    if (!file.commit())
        return QStringLiteral("the file could not be replaced");
    return {};
#endif
}
