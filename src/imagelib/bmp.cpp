#include "imagelib/bmp.h"

#include "imagelib/bmpheader.h"
#include "imagelib/picturefiles.h"
#include "imagelib/picturememory.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#ifdef Q_OS_UNIX
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace {

constexpr int FileHeaderBytes = BmpHeader::FileHeaderBytes;
constexpr int InfoHeaderBytes = 40;
constexpr int HeaderBytes = FileHeaderBytes + InfoHeaderBytes;
constexpr int HeaderProbeBytes = FileHeaderBytes + BmpHeader::LargestInfoHeader;
constexpr qsizetype BandBytes = 2 * 1024 * 1024;
#ifdef Q_OS_UNIX
constexpr int MaxIovecs = IOV_MAX;
#endif

void putLe16(uchar *p, quint32 v)
{
    p[0] = uchar(v);
    p[1] = uchar(v >> 8);
}
void putLe32(uchar *p, quint32 v)
{
    putLe16(p, v);
    putLe16(p + 2, v >> 16);
}

void fillHeader(uchar *header, QSize size)
{
    std::memset(header, 0, HeaderBytes);
    header[0] = 'B';
    header[1] = 'M';
    putLe32(header + 2, quint32(bmp24FileSize(size)));
    putLe32(header + 10, HeaderBytes);
    uchar *info = header + FileHeaderBytes;
    putLe32(info + 0, InfoHeaderBytes);
    putLe32(info + 4, quint32(size.width()));
    putLe32(info + 8, quint32(size.height()));
    putLe16(info + 12, 1);  // planes
    putLe16(info + 14, 24); // bits a pixel; compression (BI_RGB) stays 0
    putLe32(info + 20, quint32(bmp24RowBytes(size.width()) * size.height()));
}

// Fills `out` with `count` rows of the file, starting `firstFromBottom` rows above the bottom
// of the picture, in file order (bottom-up), each row padded with zeros.
void fillRows(const QImage &picture, int firstFromBottom, int count, uchar *out)
{
    const int width = picture.width();
    const qsizetype rowBytes = bmp24RowBytes(width);
    const qsizetype pixelBytes = qsizetype(width) * 3;
    const int bottomRow = picture.height() - 1 - firstFromBottom;
    const int topRow = bottomRow - count + 1;
    QImage converted;
    if (picture.format() != QImage::Format_BGR888) {
        // A view of the band (no copy), converted in one go by Qt's own converters.
        QImage band(picture.constScanLine(topRow), width, count, picture.bytesPerLine(), picture.format());
        if (picture.colorCount() > 0)
            band.setColorTable(picture.colorTable());
        converted = band.convertToFormat(QImage::Format_BGR888);
    }
    for (int i = 0; i < count; ++i) {
        const int y = bottomRow - i;
        const uchar *source = converted.isNull() ? picture.constScanLine(y) : converted.constScanLine(y - topRow);
        uchar *row = out + i * rowBytes;
        std::memcpy(row, source, size_t(pixelBytes));
        std::memset(row + pixelBytes, 0, size_t(rowBytes - pixelBytes));
    }
}

// Produces the whole file in bands of about BandBytes and hands each to `sink`.
bool writeInBands(const QImage &picture, const std::function<bool(const uchar *, qsizetype)> &sink)
{
    const qsizetype rowBytes = bmp24RowBytes(picture.width());
    const int rowsPerBand = int(std::clamp<qsizetype>(BandBytes / rowBytes, 1, picture.height()));
    std::vector<uchar> buffer(size_t(HeaderBytes + rowsPerBand * rowBytes));
    fillHeader(buffer.data(), picture.size());
    qsizetype used = HeaderBytes;
    for (int done = 0; done < picture.height();) {
        const int count = std::min(rowsPerBand, picture.height() - done);
        fillRows(picture, done, count, buffer.data() + used);
        if (!sink(buffer.data(), used + count * rowBytes))
            return false;
        used = 0;
        done += count;
    }
    return true;
}

#ifdef Q_OS_UNIX
// Moves `iov` past `done` bytes; returns the number of entries left.
int advance(iovec *&iov, int count, size_t done)
{
    while (count > 0 && done >= iov->iov_len) {
        done -= iov->iov_len;
        ++iov;
        --count;
    }
    if (count > 0) {
        iov->iov_base = static_cast<char *>(iov->iov_base) + done;
        iov->iov_len -= done;
    }
    return count;
}

// Maps the pages of [from, from + length) that are not mapped yet, in one go. A write into a file
// whose page cache holds large folios starts the folio over at every page fault the kernel takes
// on the data it copies: a picture in memory shared with others (a clone, see picturememory.h)
// would cost half again its write.
void mapInAdvance(const uchar *from, size_t length)
{
#ifdef MADV_POPULATE_READ
    static const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = quintptr(from) / page * page;
    const quintptr end = (quintptr(from) + length + page - 1) / page * page;
    ::madvise(reinterpret_cast<void *>(begin), size_t(end - begin), MADV_POPULATE_READ);
#else
    Q_UNUSED(from);
    Q_UNUSED(length);
#endif
}

int writevFully(int fd, iovec *iov, int count)
{
    while (count > 0) {
        const ssize_t written = ::writev(fd, iov, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        count = advance(iov, count, size_t(written));
    }
    return 0;
}

// Moves all of iov from or to the file at offset with `call` (preadv or pwritev), taking up where
// a short transfer stopped: 0 on success, -1 when the call moved nothing (the end of the file),
// else the errno.
template <class Call>
int transferFully(Call call, int fd, iovec *iov, int count, off_t offset)
{
    while (count > 0) {
        const ssize_t moved = call(fd, iov, count, offset);
        if (moved < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (moved == 0)
            return -1;
        offset += moved;
        count = advance(iov, count, size_t(moved));
    }
    return 0;
}

int pwritevFully(int fd, iovec *iov, int count, off_t offset)
{
    const int error = transferFully(::pwritev, fd, iov, count, offset);
    return error == -1 ? EIO : error;
}

// 0 on success, -1 at a premature end of file, else the errno.
int preadvFully(int fd, iovec *iov, int count, off_t offset)
{
    return transferFully(::preadv, fd, iov, count, offset);
}
#endif

#ifdef Q_OS_UNIX
// 0 when the file is as long as a 24-bit BMP of the size and starts with its headers.
int checkRewritable(int fd, QSize size)
{
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return errno;
    if (qint64(status.st_size) != qint64(bmp24FileSize(size)))
        return EINVAL;
    uchar expected[HeaderBytes];
    fillHeader(expected, size);
    uchar found[HeaderBytes];
    iovec whole{found, HeaderBytes};
    const int outcome = preadvFully(fd, &whole, 1, 0);
    if (outcome != 0)
        return outcome < 0 ? EINVAL : outcome;
    return std::memcmp(found, expected, HeaderBytes) == 0 ? 0 : EINVAL;
}

// Gathers the pieces of contiguous stretches of a BMP file, each from the picture's rows or from
// the zeros that pad them, and hands them to the kernel a full batch at a time.
class StretchWriter {
public:
    StretchWriter(int fd, const QImage &picture) : m_fd(fd), m_picture(picture)
    {
        m_iov.reserve(MaxIovecs);
    }

    // Adds the file's bytes [begin, end), which lie after the headers.
    int add(qint64 begin, qint64 end)
    {
        static const uchar zeros[4] = {};
        if (!m_iov.empty() && begin != m_at + m_pending)
            if (const int error = flush())
                return error;
        if (m_iov.empty())
            m_at = begin;
        const qint64 rowBytes = bmp24RowBytes(m_picture.width());
        const qint64 pixelBytes = qint64(m_picture.width()) * 3;
        for (qint64 offset = begin; offset < end;) {
            const qint64 fileRow = (offset - HeaderBytes) / rowBytes;
            const qint64 rowStart = HeaderBytes + fileRow * rowBytes;
            const qint64 inRow = offset - rowStart;
            const qint64 upTo = std::min(end - rowStart, rowBytes);
            const qint64 pixelsUpTo = std::min(upTo, pixelBytes);
            if (inRow < pixelsUpTo) {
                const uchar *row = pixelsOf(m_picture.height() - 1 - int(fileRow));
                if (const int error = push(const_cast<uchar *>(row) + inRow, pixelsUpTo - inRow))
                    return error;
            }
            if (upTo > pixelBytes) {
                const qint64 from = std::max(inRow, pixelBytes);
                if (const int error = push(const_cast<uchar *>(zeros), upTo - from))
                    return error;
            }
            offset = rowStart + upTo;
        }
        return 0;
    }

    int flush()
    {
        if (m_iov.empty())
            return 0;
        const int error = pwritevFully(m_fd, m_iov.data(), int(m_iov.size()), off_t(m_at));
        m_at += m_pending;
        m_pending = 0;
        m_iov.clear();
        m_converted.clear();
        return error;
    }

private:
    int push(uchar *data, qint64 length)
    {
        m_iov.push_back({data, size_t(length)});
        m_pending += length;
        return int(m_iov.size()) == MaxIovecs ? flush() : 0;
    }

    // The row's 24-bit pixels: the picture's own row, or the row converted (kept until the batch
    // is written).
    const uchar *pixelsOf(int y)
    {
        if (m_picture.format() == QImage::Format_BGR888)
            return m_picture.constScanLine(y);
        if (m_converted.empty() || m_convertedRow != y) {
            QImage row(m_picture.constScanLine(y), m_picture.width(), 1, m_picture.bytesPerLine(), m_picture.format());
            if (m_picture.colorCount() > 0)
                row.setColorTable(m_picture.colorTable());
            m_converted.push_back(row.convertToFormat(QImage::Format_BGR888));
            m_convertedRow = y;
        }
        return m_converted.back().constBits();
    }

    const int m_fd;
    const QImage &m_picture;
    std::vector<iovec> m_iov;
    qint64 m_at = 0;      // where the gathered pieces go in the file
    qint64 m_pending = 0; // their bytes
    std::vector<QImage> m_converted;
    int m_convertedRow = -1;
};
#endif

struct Layout {
    QSize size;
    bool topDown = false;
    qint64 pixelOffset = 0;
    qsizetype rowBytes = 0;
    BmpHeader header;
};

enum class Verdict { Ok, NotBmp24, Damaged, TooLarge };

// Judges the header from the first bytes of the file and the file's real length. Anything but an
// uncompressed 24-bit picture under a Windows header of 40, 108 or 124 bytes, and any header the
// fast path cannot vouch for, is left to the reader of the other kinds, which says what is wrong.
Verdict parseHeader(const uchar *head, qsizetype headLength, qint64 fileLength, Layout &layout)
{
    BmpHeader h;
    if (readBmpHeader(head, headLength, h) != BmpHeaderRead::Read)
        return Verdict::NotBmp24;
    if (h.infoBytes != 40 && h.infoBytes != 108 && h.infoBytes != 124)
        return Verdict::NotBmp24;
    if (h.bits != 24 || h.compression != BmpHeader::Rgb)
        return Verdict::NotBmp24;
    if (h.width <= 0 || h.height == 0)
        return Verdict::Damaged;
    if (h.width > PictureLimits::MaxFileSide || h.height > PictureLimits::MaxFileSide
        || !PictureLimits::accepts(QSize(int(h.width), int(h.height))))
        return Verdict::TooLarge;
    layout.header = h;
    layout.size = QSize(int(h.width), int(h.height));
    layout.topDown = h.topDown;
    layout.pixelOffset = h.pixelOffset;
    layout.rowBytes = bmp24RowBytes(int(h.width));
    if (layout.pixelOffset < h.afterHeaders)
        return Verdict::Damaged;
    if (layout.pixelOffset + qint64(layout.rowBytes) * h.height > fileLength)
        return Verdict::Damaged;
    return Verdict::Ok;
}

Bmp24Read failure(Verdict verdict)
{
    Bmp24Read result;
    switch (verdict) {
    case Verdict::NotBmp24: result.notBmp24 = true; break;
    case Verdict::TooLarge: result.error = PictureFileErrors::tooLarge(); break;
    default: result.error = PictureFileErrors::damaged(); break;
    }
    return result;
}

Bmp24Read failure(const QString &reason)
{
    Bmp24Read result;
    result.error = reason;
    return result;
}

// Judges the headers and takes the memory of the picture the read fills (its pixels not yet
// written); a null picture with the reason when either fails.
Bmp24Read startRead(const uchar *head, qint64 headLength, qint64 totalLength, Layout &layout)
{
    const Verdict verdict = parseHeader(head, headLength, totalLength, layout);
    if (verdict != Verdict::Ok)
        return failure(verdict);
    Bmp24Read result;
    result.picture = newPicture(layout.size);
    return result.picture.isNull() ? failure(PictureFileErrors::outOfMemory()) : result;
}

#ifdef Q_OS_UNIX
// Reads the rows straight into the picture's buffer, reversing their order with scatter reads
// rather than a copy. 0, -1 when the file turns out shorter, else the errno.
int readRows(int fd, const Layout &layout, uchar *bits, qsizetype stride)
{
    const int height = layout.size.height();
    const size_t rowBytes = size_t(layout.rowBytes);
    if (layout.topDown && stride == layout.rowBytes) {
        iovec whole{bits, rowBytes * size_t(height)};
        return preadvFully(fd, &whole, 1, off_t(layout.pixelOffset));
    }
    std::vector<iovec> iov;
    iov.reserve(MaxIovecs);
    off_t offset = off_t(layout.pixelOffset);
    int outcome = 0;
    for (int fileRow = 0; fileRow < height && outcome == 0; ++fileRow) {
        const int y = layout.topDown ? fileRow : height - 1 - fileRow;
        iov.push_back({bits + y * stride, rowBytes});
        if (int(iov.size()) == MaxIovecs || fileRow == height - 1) {
            outcome = preadvFully(fd, iov.data(), int(iov.size()), offset);
            offset += off_t(iov.size() * rowBytes);
            iov.clear();
        }
    }
    return outcome;
}

constexpr int NotMapped = -2;

// Fresh picture memory is filled cheapest through its file in memory: the kernel copies the rows
// from the BMP file's pages, without first faulting in and clearing pages of the picture. 0, -1
// when the file turns out shorter, NotMapped when the file cannot be mapped, else the errno.
int copyRowsThroughFile(int from, const Layout &layout, int into)
{
    const qint64 page = qint64(::sysconf(_SC_PAGESIZE));
    const qint64 mapFrom = layout.pixelOffset / page * page;
    const int height = layout.size.height();
    const size_t rowBytes = size_t(layout.rowBytes);
    const size_t length = size_t(layout.pixelOffset - mapFrom) + rowBytes * size_t(height);
    void *mapped = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, from, off_t(mapFrom));
    if (mapped == MAP_FAILED)
        return NotMapped;
    const uchar *rows = static_cast<const uchar *>(mapped) + (layout.pixelOffset - mapFrom);
    std::vector<iovec> iov;
    iov.reserve(MaxIovecs);
    int outcome = 0;
    for (int y = 0, first = 0; y < height && outcome == 0; ++y) {
        const int fileRow = layout.topDown ? y : height - 1 - y;
        iov.push_back({const_cast<uchar *>(rows + size_t(fileRow) * rowBytes), rowBytes});
        if (int(iov.size()) == MaxIovecs || y == height - 1) {
            outcome = pwritevFully(into, iov.data(), int(iov.size()), off_t(first) * off_t(rowBytes));
            first = y + 1;
            iov.clear();
        }
    }
    ::munmap(mapped, length);
    // A file cut short after its length was read faults inside the kernel's copy.
    return outcome == EFAULT ? -1 : outcome;
}
#endif

} // namespace

qsizetype bmp24RowBytes(int width)
{
    return (qsizetype(width) * 3 + 3) & ~qsizetype(3);
}

qsizetype bmp24FileSize(QSize size)
{
    return HeaderBytes + bmp24RowBytes(size.width()) * size.height();
}

bool writeBmp24(QIODevice &device, const QImage &picture)
{
    if (picture.isNull())
        return false;
    return writeInBands(picture, [&device](const uchar *data, qsizetype length) {
        return device.write(reinterpret_cast<const char *>(data), length) == length;
    });
}

int writeBmp24(int fd, const QImage &picture)
{
    if (picture.isNull())
        return EINVAL;
#ifndef Q_OS_UNIX
    Q_UNUSED(fd);
    return ENOSYS;
#else
    if (picture.format() == QImage::Format_BGR888) {
        static const uchar zeros[4] = {};
        const qsizetype pixelBytes = qsizetype(picture.width()) * 3;
        const size_t padding = size_t(bmp24RowBytes(picture.width()) - pixelBytes);
        uchar header[HeaderBytes];
        fillHeader(header, picture.size());
        std::vector<iovec> iov;
        iov.reserve(MaxIovecs);
        iov.push_back({header, HeaderBytes});
        for (int y = picture.height() - 1, last = y; y >= 0; --y) {
            iov.push_back({const_cast<uchar *>(picture.constScanLine(y)), size_t(pixelBytes)});
            if (padding)
                iov.push_back({const_cast<uchar *>(zeros), padding});
            if (int(iov.size()) > MaxIovecs - 2 || y == 0) {
                mapInAdvance(picture.constScanLine(y), size_t(picture.bytesPerLine()) * size_t(last - y + 1));
                if (const int error = writevFully(fd, iov.data(), int(iov.size())))
                    return error;
                iov.clear();
                last = y - 1;
            }
        }
        return 0;
    }
    int error = 0;
    writeInBands(picture, [fd, &error](const uchar *data, qsizetype length) {
        while (length > 0) {
            const auto written = ::write(fd, data, size_t(length));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                error = written < 0 ? errno : EIO;
                return false;
            }
            data += written;
            length -= written;
        }
        return true;
    });
    return error;
#endif
}

int rewriteBmp24(int fd, const QImage &picture, const QList<QRect> &changed)
{
    if (picture.isNull())
        return EINVAL;
#ifndef Q_OS_UNIX
    Q_UNUSED(fd);
    Q_UNUSED(changed);
    return ENOSYS;
#else
    if (const int error = checkRewritable(fd, picture.size()))
        return error;
    // Each changed row's stretch, in the order of the file (bottom row first).
    struct Stretch {
        int fileRow;
        int left;
        int end;
    };
    const int width = picture.width();
    const int height = picture.height();
    std::vector<Stretch> stretches;
    for (const QRect &rect : changed) {
        const QRect inside = rect & picture.rect();
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            stretches.push_back({height - 1 - y, inside.left(), inside.right() + 1});
    }
    std::sort(stretches.begin(), stretches.end(), [](const Stretch &a, const Stretch &b) {
        return a.fileRow != b.fileRow ? a.fileRow < b.fileRow : a.left < b.left;
    });
    const qint64 rowBytes = bmp24RowBytes(width);
    StretchWriter writer(fd, picture);
    qint64 begin = -1, end = -1;
    for (const Stretch &stretch : stretches) {
        const qint64 rowStart = HeaderBytes + stretch.fileRow * rowBytes;
        const qint64 from = rowStart + qint64(stretch.left) * 3;
        // A stretch to the last column takes the row's padding along.
        const qint64 to = rowStart + (stretch.end == width ? rowBytes : qint64(stretch.end) * 3);
        // Stretches that meet or overlap go out as one.
        if (begin >= 0 && from <= end) {
            end = std::max(end, to);
            continue;
        }
        if (begin >= 0)
            if (const int error = writer.add(begin, end))
                return error;
        begin = from;
        end = to;
    }
    if (begin >= 0)
        if (const int error = writer.add(begin, end))
            return error;
    return writer.flush();
#endif
}

Bmp24Read readBmp24(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const uchar *>(bytes.data());
    Layout layout;
    Bmp24Read result = startRead(data, std::min<qsizetype>(bytes.size(), HeaderProbeBytes), bytes.size(), layout);
    if (result.picture.isNull())
        return result;
    const int height = layout.size.height();
    for (int y = 0; y < height; ++y) {
        const int fileRow = layout.topDown ? y : height - 1 - y;
        std::memcpy(result.picture.scanLine(y), data + layout.pixelOffset + fileRow * layout.rowBytes,
                    size_t(layout.rowBytes));
    }
    if (layout.header.hasEmbeddedProfile(bytes.size()))
        result.profile = QByteArray(bytes.data() + layout.header.profileOffset, layout.header.profileBytes);
    return result;
}

Bmp24Read readBmp24(QFile &file)
{
    uchar head[HeaderProbeBytes];
    const qint64 headLength = readFileHead(file, head, HeaderProbeBytes);
    if (headLength < 0)
        return failure(PictureFileErrors::unreadable());
    Layout layout;
    const qint64 fileLength = file.size();
    Bmp24Read result = startRead(head, headLength, fileLength, layout);
    if (result.picture.isNull())
        return result;
    if (std::optional<QByteArray> profile = readEmbeddedProfile(file, layout.header, fileLength))
        result.profile = std::move(*profile);
    else
        return failure(PictureFileErrors::unreadable());
    const int height = layout.size.height();
    const size_t rowBytes = size_t(layout.rowBytes);
    uchar *bits = result.picture.bits();
    const qsizetype stride = result.picture.bytesPerLine();
#ifdef Q_OS_UNIX
    if (const int fd = file.handle(); fd >= 0) {
        int outcome = NotMapped;
        if (const int into = freshPictureFile(result.picture); into >= 0 && stride == layout.rowBytes)
            outcome = copyRowsThroughFile(fd, layout, into);
        if (outcome == NotMapped)
            outcome = readRows(fd, layout, bits, stride);
        if (outcome != 0)
            return failure(outcome < 0 ? PictureFileErrors::damaged() : PictureFileErrors::unreadable());
        return result;
    }
#endif
    if (!file.seek(layout.pixelOffset))
        return failure(PictureFileErrors::unreadable());
    for (int fileRow = 0; fileRow < height; ++fileRow) {
        const int y = layout.topDown ? fileRow : height - 1 - fileRow;
        if (file.read(reinterpret_cast<char *>(bits + y * stride), qint64(rowBytes)) != qint64(rowBytes))
            return failure(PictureFileErrors::damaged());
    }
    return result;
}
