#include "imagelib/picturefiles.h"

#include "imagelib/bmp.h"
#include "imagelib/bmpvariants.h"
#include "imagelib/parallel.h"
#include "imagelib/picturememory.h"

#include <QBuffer>
#include <QColorSpace>
#include <QColorTransform>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

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

// Reads a device forward in large pieces (the file is opened unbuffered).
class ForwardReader {
public:
    explicit ForwardReader(QIODevice &device) : m_device(device) {}
    bool next(uchar &byte)
    {
        if (m_at == m_piece.size()) {
            m_piece = m_device.read(1 << 16);
            m_at = 0;
            if (m_piece.isEmpty())
                return false;
        }
        byte = uchar(m_piece[m_at++]);
        return true;
    }
    bool read(uchar *data, qsizetype length)
    {
        for (qsizetype i = 0; i < length; ++i)
            if (!next(data[i]))
                return false;
        return true;
    }
    // Moves past the next 0xFF byte; false when there is none.
    bool skipPastFF()
    {
        for (;;) {
            const void *found = std::memchr(m_piece.constData() + m_at, 0xFF, size_t(m_piece.size() - m_at));
            if (found) {
                m_at = static_cast<const char *>(found) - m_piece.constData() + 1;
                return true;
            }
            m_piece = m_device.read(1 << 16);
            m_at = 0;
            if (m_piece.isEmpty())
                return false;
        }
    }

private:
    QIODevice &m_device;
    QByteArray m_piece;
    qsizetype m_at = 0;
};

enum class JpegEnding {
    Whole,          // it has its end marker (or is no JPEG this check can judge)
    Cut,            // it ends before its scans are all there
    AfterLastScan,  // it ends without its end marker, in the data of a scan that finishes every
                    // coefficient: whole if that scan's data is
};

// libjpeg pads a cut-off scan with grey and reports success, so a truncated JPEG would open as
// a picture with a grey lower part. A JPEG with its end marker is whole. One without it may
// still hold everything: its scans must between them give every coefficient of every component
// its final value (one scan does, in a sequential JPEG), and the last one's data must be
// complete, which only decoding can tell (see lastScanIsWhole).
JpegEnding jpegEnding(QIODevice &file)
{
    if (!file.seek(0))
        return JpegEnding::Cut;
    ForwardReader in(file);
    uchar soi[2];
    if (!in.read(soi, 2) || soi[0] != 0xFF || soi[1] != 0xD8)
        return JpegEnding::Whole;
    struct Component {
        int id;
        quint64 final = 0; // one bit a coefficient
    };
    std::vector<Component> components;
    bool progressive = false;
    bool inScanData = false;
    std::vector<uchar> segment;
    const auto everyCoefficientFinal = [&] {
        return !components.empty()
               && std::all_of(components.begin(), components.end(), [](const Component &c) { return c.final == ~quint64(0); });
    };
    for (;;) {
        if (!in.skipPastFF())
            return inScanData && everyCoefficientFinal() ? JpegEnding::AfterLastScan : JpegEnding::Cut;
        uchar marker = 0xFF;
        while (marker == 0xFF) {
            if (!in.next(marker))
                return inScanData && everyCoefficientFinal() ? JpegEnding::AfterLastScan : JpegEnding::Cut;
        }
        // Inside scan data a 0xFF byte is followed by 0x00 or a restart marker.
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (marker == 0xD9)
            return JpegEnding::Whole;
        inScanData = false;
        uchar lengthBytes[2];
        if (!in.read(lengthBytes, 2))
            return JpegEnding::Cut;
        const int length = (lengthBytes[0] << 8) | lengthBytes[1];
        if (length < 2)
            return JpegEnding::Cut;
        segment.resize(size_t(length - 2));
        if (!in.read(segment.data(), qsizetype(segment.size())))
            return JpegEnding::Cut;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame && segment.size() >= 6) {
            progressive = marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
            components.clear();
            for (size_t i = 0; i < segment[5] && 6 + 3 * i < segment.size(); ++i)
                components.push_back({segment[6 + 3 * i]});
        } else if (marker == 0xDA && !segment.empty()) {
            const size_t count = segment[0];
            if (segment.size() < 1 + 2 * count + 3)
                return JpegEnding::Cut;
            const int first = segment[1 + 2 * count];
            const int last = std::min<int>(segment[2 + 2 * count], 63);
            const bool finalBits = (segment[3 + 2 * count] & 0x0F) == 0;
            quint64 band = 0;
            if (!progressive)
                band = ~quint64(0);
            else if (finalBits)
                for (int k = first; k <= last; ++k)
                    band |= quint64(1) << k;
            for (size_t i = 0; i < count; ++i)
                for (Component &c : components)
                    if (c.id == segment[1 + 2 * i])
                        c.final |= band;
            inScanData = true;
        }
    }
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

// Bytes to end a JPEG with in place of what a cut-off file is missing: varied bits, no marker.
QByteArray otherEnding()
{
    QByteArray bytes(1024, Qt::Uninitialized);
    quint32 state = 12345;
    for (char &c : bytes) {
        state = state * 1103515245u + 12345u;
        c = char((state >> 16) % 255);
    }
    return bytes + QByteArray::fromHex("ffd9");
}

// Decodes with Qt's reader for the format; on failure `error` says what went wrong.
bool readPicture(QIODevice &device, const QByteArray &format, QImage &picture, QImageReader::ImageReaderError &error)
{
    QImageReader reader(&device, format);
    reader.setAllocationLimit(ReaderAllocationLimitMb);
    // Cameras store a photo as the sensor saw it and say in its EXIF data how it was held.
    reader.setAutoTransform(true);
    if (reader.read(&picture) && !picture.isNull())
        return true;
    error = reader.error();
    return false;
}

// A JPEG that ends without its end marker decodes as if the data went on with zero bits. If
// its last scan was whole, no bit after it is ever used: other bytes in their place change
// nothing. If it was cut, they change the blocks decoded from them.
bool lastScanIsWhole(QIODevice &file, const QImage &decoded)
{
    if (!file.seek(0))
        return false;
    QByteArray bytes = file.readAll() + otherEnding();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImage other;
    QImageReader::ImageReaderError error;
    return readPicture(buffer, "jpeg", other, error) && other == decoded;
}

bool readAt(QIODevice &device, qint64 at, uchar *data, qint64 length)
{
    return device.seek(at) && device.read(reinterpret_cast<char *>(data), length) == length;
}

// More segments or chunks before the picture data than any real file has: a file made of
// nothing else is not searched to its end.
constexpr int MostHeaderPieces = 4096;

// Whether a JPEG carries an ICC profile: an APP2 segment of the kind before its first scan,
// which is where Qt's reader takes the profile from. Only the segments' headers are read.
bool jpegEmbedsIccProfile(QIODevice &file)
{
    static constexpr char Signature[] = "ICC_PROFILE"; // with its terminating zero
    constexpr qint64 SignatureBytes = sizeof Signature;
    qint64 at = 2;
    for (int pieces = 0; pieces < MostHeaderPieces; ++pieces) {
        uchar marker[4];
        if (!readAt(file, at, marker, 4) || marker[0] != 0xFF)
            return false;
        if (marker[1] == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker[1] == 0xDA || marker[1] == 0xD9)
            return false;
        const int length = (marker[2] << 8) | marker[3];
        if (length < 2)
            return false;
        uchar signature[SignatureBytes];
        if (marker[1] == 0xE2 && length >= 2 + SignatureBytes && readAt(file, at + 4, signature, SignatureBytes)
            && std::memcmp(signature, Signature, SignatureBytes) == 0)
            return true;
        at += 2 + length;
    }
    return false;
}

// Whether a PNG carries an ICC profile (an iCCP chunk, which must come before the palette and
// the picture data). Only the chunks' headers are read.
bool pngEmbedsIccProfile(QIODevice &file)
{
    qint64 at = 8;
    for (int pieces = 0; pieces < MostHeaderPieces; ++pieces) {
        uchar chunk[8];
        if (!readAt(file, at, chunk, 8))
            return false;
        const auto *type = reinterpret_cast<const char *>(chunk + 4);
        if (std::memcmp(type, "iCCP", 4) == 0)
            return true;
        if (std::memcmp(type, "PLTE", 4) == 0 || std::memcmp(type, "IDAT", 4) == 0 || std::memcmp(type, "IEND", 4) == 0)
            return false;
        at += 12 + qint64(qFromBigEndian<quint32>(chunk));
    }
    return false;
}

// Only a profile the file embeds converts the picture. Qt's readers give other pictures a
// colour space as well (a PNG's gamma alone makes one), but those open with the values the
// file holds, as they always have.
bool embedsIccProfile(QIODevice &file, const QByteArray &format)
{
    if (format == "jpeg")
        return jpegEmbedsIccProfile(file);
    if (format == "png")
        return pngEmbedsIccProfile(file);
    return false;
}

// Converts a 24-bit picture in place, a band of rows at a time: Qt converts 32-bit pixels
// only, and a whole 32-bit copy of a large photo would cost more memory than the photo.
bool convertBgrInBands(QImage &picture, const QColorTransform &transform)
{
    const int width = picture.width();
    const int rowsPerBand = std::clamp((1 << 18) / width, 1, picture.height());
    QImage band(width, rowsPerBand, QImage::Format_RGB32);
    if (band.isNull())
        return false;
    uchar *bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    for (int top = 0; top < picture.height(); top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, picture.height() - top);
        for (int y = 0; y < rows; ++y) {
            const uchar *in = bits + (top + y) * stride;
            auto *out = reinterpret_cast<QRgb *>(band.scanLine(y));
            for (int x = 0; x < width; ++x)
                out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
        }
        // The band's first `rows` rows, in place.
        QImage view(band.bits(), width, rows, band.bytesPerLine(), QImage::Format_RGB32);
        view.applyColorTransform(transform);
        for (int y = 0; y < rows; ++y) {
            const auto *in = reinterpret_cast<const QRgb *>(band.constScanLine(y));
            uchar *out = bits + (top + y) * stride;
            for (int x = 0; x < width; ++x) {
                out[3 * x] = uchar(qBlue(in[x]));
                out[3 * x + 1] = uchar(qGreen(in[x]));
                out[3 * x + 2] = uchar(qRed(in[x]));
            }
        }
    }
    return true;
}

// The picture converted from `space` to sRGB, in its own format, and carrying no colour space,
// as every picture of the program does. A colour space Qt could not make from the file's
// profile leaves the picture as the file holds it. Null when the memory runs out.
QImage inSrgb(QImage picture, const QColorSpace &space)
{
    if (picture.isNull() || !space.isValid())
        return picture;
    const QColorTransform transform = space.transformationToColorSpace(QColorSpace::SRgb);
    if (!transform.isIdentity()) {
        if (picture.format() == QImage::Format_BGR888) {
            if (!detachPicture(picture) || !convertBgrInBands(picture, transform))
                return {};
        } else {
            picture.setColorSpace(space);
            picture.convertToColorSpace(QColorSpace::SRgb);
        }
    }
    if (!picture.isNull())
        picture.setColorSpace(QColorSpace());
    return picture;
}

QColorSpace colourSpaceOf(const QByteArray &iccProfile)
{
    return iccProfile.isEmpty() ? QColorSpace() : QColorSpace::fromIccProfile(iccProfile);
}

// `expectedFormat`, when given, is the only format the data may be in. `outerProfile` is that
// of the BMP file the data is stored in: it counts when the data has no profile of its own.
LoadedPicture readWithQt(QIODevice &file, const QByteArray &expectedFormat = {}, const QByteArray &outerProfile = {})
{
    QByteArray format;
    {
        if (!file.seek(0))
            return failed(PictureFileErrors::unreadable());
        QImageReader probe(&file);
        probe.setDecideFormatFromContent(true);
        if (!probe.canRead())
            return failed(expectedFormat.isEmpty() ? QStringLiteral("it is not a picture this program can read")
                                                   : PictureFileErrors::damaged());
        format = probe.format();
        if (!expectedFormat.isEmpty() && format != expectedFormat)
            return failed(PictureFileErrors::damaged());
        const QSize declared = probe.size();
        if (declared.isValid() && !PictureLimits::accepts(declared))
            return failed(PictureFileErrors::tooLarge());
    }
    // Before decoding: a few bytes declaring a large picture must not cost its memory.
    JpegEnding ending = JpegEnding::Whole;
    if (format == "jpeg")
        ending = jpegEnding(file);
    else if (format == "gif" && !gifFirstFrameIsComplete(file))
        ending = JpegEnding::Cut;
    if (ending == JpegEnding::Cut)
        return failed(PictureFileErrors::damaged());
    if (!file.seek(0))
        return failed(PictureFileErrors::unreadable());
    QImage picture;
    QImageReader::ImageReaderError error = QImageReader::UnknownError;
    if (!readPicture(file, format, picture, error)) {
        switch (error) {
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
    if (ending == JpegEnding::AfterLastScan && !lastScanIsWhole(file, picture))
        return failed(PictureFileErrors::damaged());
    const QColorSpace space = embedsIccProfile(file, format) ? picture.colorSpace() : colourSpaceOf(outerProfile);
    if (space.isValid()) {
        picture = inSrgb(std::move(picture), space);
        if (picture.isNull())
            return failed(PictureFileErrors::outOfMemory());
    }
    LoadedPicture result;
    result.picture = picture;
    return result;
}

LoadedPicture inSrgbOrFailed(QImage picture, const QByteArray &iccProfile)
{
    LoadedPicture result;
    result.picture = inSrgb(std::move(picture), colourSpaceOf(iccProfile));
    if (result.picture.isNull())
        return failed(PictureFileErrors::outOfMemory());
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
    return size.width() > 0 && size.height() > 0 && size.width() <= MaxFileSide && size.height() <= MaxFileSide
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
        .arg(PictureLimits::MaxFileSide)
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
        return inSrgbOrFailed(std::move(bmp.picture), bmp.profile);
    }
    BmpVariantRead variant = readBmpVariant(file);
    if (!variant.notBmp) {
        if (!variant.embedded.isEmpty()) {
            QBuffer embedded(&variant.embedded);
            embedded.open(QIODevice::ReadOnly);
            return readWithQt(embedded, variant.embeddedFormat, variant.profile);
        }
        if (variant.picture.isNull())
            return failed(variant.error);
        return inSrgbOrFailed(std::move(variant.picture), variant.profile);
    }
    return readWithQt(file);
}

QImage convertedFromProfile(QImage picture, const QByteArray &iccProfile)
{
    return inSrgb(std::move(picture), colourSpaceOf(iccProfile));
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

QImage flattenedOver(const QImage &picture, Colour background)
{
    if (picture.isNull() || !picture.hasAlphaChannel())
        return picture;
    QImage flat = newPicture(picture.size());
    if (flat.isNull())
        return {};
    const int width = picture.width();
    const int red = redOf(background), green = greenOf(background), blue = blueOf(background);
    // Exact rounding of (s a + b (255 - a)) / 255: the sum is never a half-way case.
    const auto blend = [](int s, int b, int a) { return uchar((s * a + b * (255 - a) + 127) / 255); };
    const bool direct = picture.format() == QImage::Format_ARGB32;
    const int rowsPerBand = std::max(1, (1 << 20) / (4 * width));
    const uchar *const from = picture.constBits();
    const qsizetype fromStride = picture.bytesPerLine();
    const QImage::Format format = picture.format();
    const QList<QRgb> colours = picture.colorTable();
    uchar *const to = flat.bits();
    const qsizetype toStride = flat.bytesPerLine();
    std::atomic<bool> failed{false};
    // Blending a pixel costs about what copying 24 bytes does.
    forEachStrip(0, picture.height(), 48 * qsizetype(width), [&](int first, int end) {
        for (int top = first; top < end && !failed; top += rowsPerBand) {
            const int rows = std::min(rowsPerBand, end - top);
            QImage band;
            if (!direct) {
                // A view of the band (no copy), converted in one go by Qt's own converters.
                QImage view(from + top * fromStride, width, rows, fromStride, format);
                if (!colours.isEmpty())
                    view.setColorTable(colours);
                band = view.convertToFormat(QImage::Format_ARGB32);
                if (band.isNull()) {
                    failed = true;
                    return;
                }
            }
            for (int y = 0; y < rows; ++y) {
                const auto *in = reinterpret_cast<const QRgb *>(direct ? from + (top + y) * fromStride
                                                                       : band.constScanLine(y));
                uchar *out = to + (top + y) * toStride;
                for (int x = 0; x < width; ++x) {
                    const QRgb p = in[x];
                    const int a = qAlpha(p);
                    out[3 * x] = blend(qBlue(p), blue, a);
                    out[3 * x + 1] = blend(qGreen(p), green, a);
                    out[3 * x + 2] = blend(qRed(p), red, a);
                }
            }
        }
    });
    return failed ? QImage() : flat;
}
