#include "imagelib/bmpvariants.h"

#include "imagelib/bmpheader.h"
#include "imagelib/parallel.h"
#include "imagelib/picturefiles.h"
#include "imagelib/picturememory.h"

#include <QIODevice>
#include <QList>

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

namespace {

constexpr int FileHeaderBytes = BmpHeader::FileHeaderBytes;
constexpr int HeadBytes = FileHeaderBytes + BmpHeader::LargestInfoHeader + 16; // room for masks after a 40-byte header
// Large enough that decoding a band pays for the threads it runs on.
constexpr qint64 BandBytes = 8 << 20;

using enum BmpHeader::Compression;

BmpVariantRead failure(const QString &reason)
{
    BmpVariantRead result;
    result.error = reason;
    return result;
}

BmpVariantRead damaged() { return failure(PictureFileErrors::damaged()); }

QString unsupported(const QString &what)
{
    return QStringLiteral("the picture uses %1, which this program does not read").arg(what);
}

bool readExactly(QIODevice &device, qint64 at, char *data, qint64 length)
{
    if (!device.seek(at))
        return false;
    while (length > 0) {
        const qint64 got = device.read(data, length);
        if (got <= 0)
            return false;
        data += got;
        length -= got;
    }
    return true;
}

// One colour channel of a 16- or 32-bit pixel, by its mask.
class Channel {
public:
    Channel() = default;
    explicit Channel(quint32 mask) : m_mask(mask)
    {
        if (!mask)
            return;
        while (!((mask >> m_shift) & 1))
            ++m_shift;
        while (m_shift + m_bits < 32 && ((mask >> (m_shift + m_bits)) & 1))
            ++m_bits;
        if (m_bits <= 8)
            for (quint32 v = 0; v < (1u << m_bits); ++v)
                m_widened[v] = uchar(channelTo8Bits(v, m_bits));
    }
    bool present() const { return m_mask != 0; }
    int of(quint32 pixel) const
    {
        const quint32 value = (pixel & m_mask) >> m_shift;
        return m_bits <= 8 ? m_widened[value] : int(value >> (m_bits - 8));
    }

private:
    quint32 m_mask = 0;
    int m_shift = 0;
    int m_bits = 0;
    std::array<uchar, 256> m_widened{};
};

// The set bits of a mask must be one run, within the pixel.
bool maskIsUsable(quint32 mask, int bits)
{
    if (bits < 32 && (mask >> bits) != 0)
        return false;
    const quint32 lowest = mask & (~mask + 1);
    return (mask & (mask + lowest)) == 0;
}

struct Header : BmpHeader {
    quint32 masks[4] = {}; // red, green, blue, alpha
};

// Reads the headers and the masks. Returns an empty reason when the file may be read on.
QString parseHeader(const uchar *head, qint64 headLength, Header &h, bool &notBmp)
{
    notBmp = false;
    switch (readBmpHeader(head, headLength, h)) {
    case BmpHeaderRead::NotBmp:
        notBmp = true;
        return {};
    case BmpHeaderRead::Truncated:
        return PictureFileErrors::damaged();
    case BmpHeaderRead::Read:
        break;
    }
    const uchar *info = head + FileHeaderBytes;

    if (h.os2 && h.compression == Bitfields)
        return unsupported(QStringLiteral("Huffman coding"));
    if (h.os2 && h.compression == Jpeg)
        return unsupported(QStringLiteral("run-length coding of 24-bit pixels"));
    if (h.compression == Cmyk || h.compression == CmykRle8 || h.compression == CmykRle4)
        return unsupported(QStringLiteral("CMYK colours"));
    if (h.bits == 64 && h.compression == Rgb)
        return unsupported(QStringLiteral("64 bits per pixel"));
    if (h.planes != 1)
        return PictureFileErrors::damaged();

    const int b = h.bits;
    bool fits = false;
    switch (h.compression) {
    case Rgb: fits = b == 1 || b == 2 || b == 4 || b == 8 || b == 16 || b == 24 || b == 32; break;
    case Rle8: fits = b == 8; break;
    case Rle4: fits = b == 4; break;
    case Bitfields:
    case AlphaBitfields: fits = b == 16 || b == 32; break;
    case Jpeg:
    case Png: fits = true; break;
    default: break;
    }
    if (h.os2 && h.compression > Rle4)
        fits = false;
    if (!fits)
        return PictureFileErrors::damaged();
    if (h.width <= 0 || h.height <= 0)
        return PictureFileErrors::damaged();
    if (h.width > PictureLimits::MaxFileSide || h.height > PictureLimits::MaxFileSide
        || !PictureLimits::accepts(QSize(int(h.width), int(h.height))))
        return PictureFileErrors::tooLarge();

    if (h.compression == Bitfields || h.compression == AlphaBitfields) {
        // Headers of 56 bytes and more hold four masks (the fourth is alpha), 52 bytes three;
        // a 40-byte header is followed by them, four only for the alpha kind.
        const int count = h.infoBytes == 40 ? (h.compression == AlphaBitfields ? 4 : 3) : h.infoBytes >= 56 ? 4 : 3;
        if (h.infoBytes == 40) {
            if (headLength < h.afterHeaders + 4 * count)
                return PictureFileErrors::damaged();
            h.afterHeaders += 4 * count;
        }
        for (int i = 0; i < count; ++i)
            h.masks[i] = le32(info + 40 + 4 * i);
        for (const quint32 mask : h.masks)
            if (!maskIsUsable(mask, b))
                return PictureFileErrors::damaged();
        if (!(h.masks[0] | h.masks[1] | h.masks[2]))
            return PictureFileErrors::damaged();
    } else if (h.compression == Rgb && b == 16) {
        h.masks[0] = 0x7C00;
        h.masks[1] = 0x03E0;
        h.masks[2] = 0x001F;
    } else if (h.compression == Rgb && b == 32) {
        h.masks[0] = 0x00FF0000;
        h.masks[1] = 0x0000FF00;
        h.masks[2] = 0x000000FF;
    }
    if (h.pixelOffset < h.afterHeaders)
        return PictureFileErrors::damaged();
    return {};
}

// The palette's colours, as many as the pixels can name (or fewer, when the file has fewer).
QString readPalette(QIODevice &device, const Header &h, QList<QRgb> &palette)
{
    const qint64 entryBytes = h.core ? 3 : 4;
    const qint64 room = h.pixelOffset - h.afterHeaders;
    const qint64 nameable = qint64(1) << h.bits;
    qint64 entries = 0;
    if (h.hasColoursUsed) {
        // The palette the header declares must lie before the pixels; a larger one than the
        // depth needs is fine, its extra colours are never named.
        const qint64 declared = h.coloursUsed ? qint64(h.coloursUsed) : nameable;
        if (declared * entryBytes > room)
            return PictureFileErrors::damaged();
        entries = std::min(declared, nameable);
    } else {
        // Headers without the count hold as many colours as fit before the pixels.
        entries = std::min(nameable, room / entryBytes);
    }
    std::vector<uchar> bytes(size_t(entries * entryBytes));
    if (entries > 0 && !readExactly(device, h.afterHeaders, reinterpret_cast<char *>(bytes.data()), qint64(bytes.size())))
        return PictureFileErrors::damaged();
    palette.resize(entries);
    for (qint64 i = 0; i < entries; ++i) {
        const uchar *entry = bytes.data() + i * entryBytes;
        palette[i] = qRgb(entry[2], entry[1], entry[0]);
    }
    return {};
}

// Reads the uncompressed rows a band at a time and hands each row, with the picture's row it
// becomes, to `decodeRow`, which returns false for a row that names what is not there. The rows
// of a band are decoded on every core; a decoded row costs `decodeCost` (as forEachStrip counts).
template <typename DecodeRow>
QString forEachRow(QIODevice &device, const Header &h, qint64 rowBytes, QImage &picture, qsizetype decodeCost,
                   DecodeRow decodeRow)
{
    const int height = int(h.height);
    const int rowsPerBand = int(std::clamp<qint64>(BandBytes / rowBytes, 1, height));
    std::vector<uchar> band(size_t(rowsPerBand * rowBytes));
    uchar *const bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    for (int done = 0; done < height;) {
        const int count = std::min(rowsPerBand, height - done);
        if (!readExactly(device, h.pixelOffset + done * rowBytes, reinterpret_cast<char *>(band.data()), count * rowBytes))
            return PictureFileErrors::damaged();
        std::atomic<bool> named{true};
        forEachStrip(0, count, decodeCost, [&](int first, int end) {
            for (int i = first; i < end && named.load(std::memory_order_relaxed); ++i) {
                const int fileRow = done + i;
                const int y = h.topDown ? fileRow : height - 1 - fileRow;
                if (!decodeRow(band.data() + i * rowBytes, bits + y * stride))
                    named = false;
            }
        });
        if (!named)
            return PictureFileErrors::damaged();
        done += count;
    }
    return {};
}

QImage paletteIndexPicture(const Header &h, const QList<QRgb> &palette)
{
    QImage picture(int(h.width), int(h.height), QImage::Format_Indexed8);
    if (!picture.isNull())
        picture.setColorTable(palette);
    return picture;
}

BmpVariantRead readPaletteRows(QIODevice &device, const Header &h, const QList<QRgb> &palette, qint64 rowBytes)
{
    BmpVariantRead result;
    result.picture = paletteIndexPicture(h, palette);
    if (result.picture.isNull())
        return failure(PictureFileErrors::outOfMemory());
    const int width = int(h.width);
    const int bits = h.bits;
    const int colours = int(palette.size());
    const int perByte = 8 / bits;
    const int lowMask = (1 << bits) - 1;
    // Taking a pixel apart costs several times what copying its bytes does.
    const qsizetype decodeCost = 16 * (rowBytes + width);
    const QString error = forEachRow(device, h, rowBytes, result.picture, decodeCost, [&](const uchar *row, uchar *out) {
        int worst = 0;
        if (bits == 8) {
            for (int x = 0; x < width; ++x)
                worst = std::max<int>(worst, out[x] = row[x]);
        } else {
            for (int x = 0; x < width; ++x) {
                const int shift = 8 - bits * (x % perByte + 1);
                out[x] = uchar((row[x / perByte] >> shift) & lowMask);
                worst = std::max<int>(worst, out[x]);
            }
        }
        return worst < colours;
    });
    if (!error.isEmpty())
        return failure(error);
    return result;
}

BmpVariantRead readMaskedRows(QIODevice &device, const Header &h, qint64 rowBytes)
{
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    const bool withAlpha = alpha.present();
    BmpVariantRead result;
    result.picture = withAlpha ? QImage(int(h.width), int(h.height), QImage::Format_ARGB32)
                               : newPicture(QSize(int(h.width), int(h.height)));
    if (result.picture.isNull())
        return failure(PictureFileErrors::outOfMemory());
    const int width = int(h.width);
    const int bytesPerPixel = h.bits / 8;
    // Taking a pixel apart by its masks costs several times what copying its bytes does.
    const qsizetype decodeCost = 16 * (rowBytes + qsizetype(width) * (withAlpha ? 4 : 3));
    const QString error = forEachRow(device, h, rowBytes, result.picture, decodeCost, [&](const uchar *row, uchar *out) {
        for (int x = 0; x < width; ++x) {
            const uchar *p = row + x * bytesPerPixel;
            const quint32 pixel = bytesPerPixel == 2 ? le16(p) : le32(p);
            if (withAlpha) {
                reinterpret_cast<QRgb *>(out)[x] =
                    qRgba(red.of(pixel), green.of(pixel), blue.of(pixel), alpha.of(pixel));
            } else {
                out[3 * x] = uchar(blue.of(pixel));
                out[3 * x + 1] = uchar(green.of(pixel));
                out[3 * x + 2] = uchar(red.of(pixel));
            }
        }
        return true;
    });
    if (!error.isEmpty())
        return failure(error);
    return result;
}

BmpVariantRead read24BitRows(QIODevice &device, const Header &h, qint64 rowBytes)
{
    BmpVariantRead result;
    result.picture = newPicture(QSize(int(h.width), int(h.height)));
    if (result.picture.isNull())
        return failure(PictureFileErrors::outOfMemory());
    const size_t pixelBytes = size_t(h.width) * 3;
    const QString error = forEachRow(device, h, rowBytes, result.picture, 2 * qsizetype(pixelBytes),
                                     [&](const uchar *row, uchar *out) {
                                         std::copy_n(row, pixelBytes, out);
                                         return true;
                                     });
    if (!error.isEmpty())
        return failure(error);
    return result;
}

// Run-length coded palette indices. The picture starts as index 0 everywhere, which is what the
// pixels a file skips (with a move or an early end) show. A file that stops before its end code
// is accepted only when every pixel has been given.
BmpVariantRead readRunLengths(QIODevice &device, const Header &h, const QList<QRgb> &palette, qint64 fileLength)
{
    QByteArray stream(fileLength - h.pixelOffset, Qt::Uninitialized);
    if (!readExactly(device, h.pixelOffset, stream.data(), stream.size()))
        return damaged();
    BmpVariantRead result;
    result.picture = paletteIndexPicture(h, palette);
    if (result.picture.isNull())
        return failure(PictureFileErrors::outOfMemory());
    QImage &picture = result.picture;
    picture.fill(0);

    const bool fourBits = h.compression == Rle4;
    const int width = int(h.width);
    const int height = int(h.height);
    const int colours = int(palette.size());
    const auto *s = reinterpret_cast<const uchar *>(stream.constData());
    const qsizetype n = stream.size();
    qsizetype i = 0;
    int x = 0;
    int y = 0; // rows in file order
    const auto row = [&]() { return picture.scanLine(h.topDown ? y : height - 1 - y); };
    for (;;) {
        if (i + 2 > n) {
            const bool everyPixelGiven = y >= height || (y == height - 1 && x == width);
            return everyPixelGiven ? result : damaged();
        }
        const int count = s[i];
        const int code = s[i + 1];
        i += 2;
        if (count > 0) {
            if (y >= height || x + count > width)
                return damaged();
            const int first = fourBits ? code >> 4 : code;
            const int second = fourBits ? code & 0x0F : code;
            if (first >= colours || (count > 1 && second >= colours))
                return damaged();
            uchar *out = row() + x;
            for (int k = 0; k < count; ++k)
                out[k] = uchar(k % 2 ? second : first);
            x += count;
            continue;
        }
        switch (code) {
        case 0: // end of the row
            x = 0;
            y = std::min(y + 1, height);
            break;
        case 1: // end of the picture
            return result;
        case 2: // a move right and up; the pixels passed over keep index 0
            if (i + 2 > n)
                return damaged();
            x += s[i];
            y += s[i + 1];
            i += 2;
            if (x > width || y > height)
                return damaged();
            break;
        default: { // `code` indices as they are, padded to a whole number of 16-bit words
            const qsizetype bytes = fourBits ? (code + 1) / 2 : code;
            if (i + bytes > n || y >= height || x + code > width)
                return damaged();
            uchar *out = row() + x;
            for (int k = 0; k < code; ++k) {
                const int index = fourBits ? (k % 2 ? s[i + k / 2] & 0x0F : s[i + k / 2] >> 4) : s[i + k];
                if (index >= colours)
                    return damaged();
                out[k] = uchar(index);
            }
            x += code;
            i += (bytes + 1) & ~qsizetype(1);
            break;
        }
        }
    }
}

// The pixels (or the picture stored whole) of a file whose headers have been judged readable.
BmpVariantRead readPixels(QIODevice &device, const Header &h, qint64 fileLength)
{
    if (h.compression == Jpeg || h.compression == Png) {
        const qint64 available = fileLength - h.pixelOffset;
        const qint64 length = h.imageBytes > 0 && h.imageBytes <= available ? qint64(h.imageBytes) : available;
        if (length <= 0)
            return damaged();
        BmpVariantRead result;
        result.embedded = QByteArray(length, Qt::Uninitialized);
        if (!readExactly(device, h.pixelOffset, result.embedded.data(), length))
            return damaged();
        result.embeddedFormat = h.compression == Jpeg ? QByteArrayLiteral("jpeg") : QByteArrayLiteral("png");
        return result;
    }

    QList<QRgb> palette;
    if (h.bits <= 8) {
        if (const QString reason = readPalette(device, h, palette); !reason.isEmpty())
            return failure(reason);
    }
    if (h.compression == Rle8 || h.compression == Rle4) {
        if (h.pixelOffset >= fileLength)
            return damaged();
        return readRunLengths(device, h, palette, fileLength);
    }

    const qint64 rowBytes = (h.width * h.bits + 31) / 32 * 4;
    if (h.pixelOffset + rowBytes * h.height > fileLength)
        return damaged();
    if (h.bits <= 8)
        return readPaletteRows(device, h, palette, rowBytes);
    if (h.bits == 24)
        return read24BitRows(device, h, rowBytes);
    return readMaskedRows(device, h, rowBytes);
}

} // namespace

int channelTo8Bits(quint32 value, int bits)
{
    if (bits >= 8)
        return int((value >> (bits - 8)) & 0xFF);
    int widened = 0;
    for (int filled = 0; filled < 8; filled += bits)
        widened |= int(value << (8 - bits)) >> filled;
    return widened & 0xFF;
}

BmpVariantRead readBmpVariant(QIODevice &device)
{
    uchar head[HeadBytes];
    const qint64 headLength = readFileHead(device, head, HeadBytes);
    if (headLength < 0)
        return failure(PictureFileErrors::unreadable());
    const qint64 fileLength = device.size();
    Header h;
    bool notBmp = false;
    if (const QString reason = parseHeader(head, headLength, h, notBmp); notBmp || !reason.isEmpty()) {
        BmpVariantRead result = failure(reason);
        result.notBmp = notBmp;
        return result;
    }
    BmpVariantRead result = readPixels(device, h, fileLength);
    if (result.picture.isNull() && result.embedded.isEmpty())
        return result;
    std::optional<QByteArray> profile = readEmbeddedProfile(device, h, fileLength);
    if (!profile)
        return failure(PictureFileErrors::unreadable());
    result.profile = std::move(*profile);
    return result;
}
