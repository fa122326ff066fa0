#include "imagelib/bmpheader.h"

#include <QIODevice>

static bool isWindowsHeaderSize(quint32 size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

BmpHeaderRead readBmpHeader(const uchar *head, qint64 headLength, BmpHeader &h)
{
    constexpr int FileHeaderBytes = BmpHeader::FileHeaderBytes;
    if (headLength < 2 || head[0] != 'B' || head[1] != 'M')
        return BmpHeaderRead::NotBmp;
    if (headLength < FileHeaderBytes + 4)
        return BmpHeaderRead::Truncated;
    h.pixelOffset = le32(head + 10);
    h.infoBytes = le32(head + FileHeaderBytes);
    h.core = h.infoBytes == 12;
    h.os2 = !h.core && !isWindowsHeaderSize(h.infoBytes);
    if (h.os2 && (h.infoBytes < 16 || h.infoBytes > 64))
        return BmpHeaderRead::Truncated;
    if (headLength < FileHeaderBytes + qint64(h.infoBytes))
        return BmpHeaderRead::Truncated;
    const uchar *info = head + FileHeaderBytes;
    const auto field32 = [&](int at) { return at + 4 <= int(h.infoBytes) ? le32(info + at) : 0u; };
    if (h.core) {
        h.width = le16(info + 4);
        h.height = le16(info + 6);
        h.planes = le16(info + 8);
        h.bits = le16(info + 10);
    } else {
        h.width = qint32(le32(info + 4));
        const qint64 height = qint32(le32(info + 8));
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        h.planes = le16(info + 12);
        h.bits = le16(info + 14);
        h.compression = field32(16);
        h.imageBytes = field32(20);
        h.hasColoursUsed = h.infoBytes >= 36;
        h.coloursUsed = field32(32);
    }
    h.afterHeaders = FileHeaderBytes + qint64(h.infoBytes);
    if (h.infoBytes >= 108)
        h.colourSpace = field32(56);
    if (h.infoBytes >= 124) {
        // The profile's place counts from the start of the info header.
        h.profileOffset = FileHeaderBytes + qint64(field32(112));
        h.profileBytes = field32(116);
    }
    return BmpHeaderRead::Read;
}

bool BmpHeader::hasEmbeddedProfile(qint64 fileLength) const
{
    return colourSpace == EmbeddedProfile && profileBytes > 0 && profileBytes <= LargestProfile
           && profileOffset + profileBytes <= fileLength;
}

std::optional<QByteArray> readEmbeddedProfile(QIODevice &device, const BmpHeader &header, qint64 fileLength)
{
    if (!header.hasEmbeddedProfile(fileLength))
        return QByteArray();
    QByteArray profile(header.profileBytes, Qt::Uninitialized);
    if (!device.seek(header.profileOffset))
        return std::nullopt;
    for (qint64 done = 0; done < profile.size();) {
        const qint64 got = device.read(profile.data() + done, profile.size() - done);
        if (got <= 0)
            return std::nullopt;
        done += got;
    }
    return profile;
}

qint64 readFileHead(QIODevice &device, uchar *head, qint64 capacity)
{
    if (!device.seek(0))
        return -1;
    qint64 length = 0;
    while (length < capacity) {
        const qint64 got = device.read(reinterpret_cast<char *>(head) + length, capacity - length);
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        length += got;
    }
    return length;
}
