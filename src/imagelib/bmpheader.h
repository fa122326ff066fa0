#pragma once
// The headers at the start of a BMP file, read field by field in one place. What the fields
// mean for a picture (which kinds are read, which are damaged) is each reader's to judge.
#include <QByteArray>
#include <QtGlobal>

#include <optional>

class QIODevice;

inline quint16 le16(const uchar *p) { return quint16(p[0] | (p[1] << 8)); }
inline quint32 le32(const uchar *p)
{
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

struct BmpHeader {
    static constexpr int FileHeaderBytes = 14;
    static constexpr int LargestInfoHeader = 124;

    enum Compression : quint32 {
        Rgb = 0,
        Rle8 = 1,
        Rle4 = 2,
        Bitfields = 3, // Huffman coding under an OS/2 header
        Jpeg = 4,      // run-length coded 24-bit pixels under an OS/2 header
        Png = 5,
        AlphaBitfields = 6,
        Cmyk = 11,
        CmykRle8 = 12,
        CmykRle4 = 13,
    };

    quint32 infoBytes = 0;
    bool core = false;       // 12 bytes: 16-bit sizes, 3-byte palette entries, no compression
    bool os2 = false;        // OS/2's second header, or any size Windows never wrote
    qint64 width = 0;
    qint64 height = 0;       // rows, whichever way they run
    bool topDown = false;
    int planes = 0;
    int bits = 0;
    quint32 compression = Rgb;
    quint32 imageBytes = 0;
    bool hasColoursUsed = false;
    quint32 coloursUsed = 0;
    qint64 pixelOffset = 0;
    qint64 afterHeaders = 0; // where what follows the info header (masks, palette) starts

    // How the colours are meant (headers of 108 bytes and more); only an embedded ICC profile
    // changes how they are read. The others need nothing (sRGB, the system's own space) or
    // nothing this program will do: a linked profile names a file on the writer's disk, which a
    // picture must never make us open; the calibration values of the header are left alone (the
    // writers that fill them in at all mostly leave them zero).
    enum ColourSpace : quint32 {
        CalibratedRgb = 0,
        Srgb = 0x73524742,               // 'sRGB'
        WindowsColourSpace = 0x57696E20, // 'Win '
        LinkedProfile = 0x4C494E4B,      // 'LINK'
        EmbeddedProfile = 0x4D424544,    // 'MBED'
    };
    static constexpr qint64 LargestProfile = 16 << 20;
    quint32 colourSpace = CalibratedRgb;
    qint64 profileOffset = 0; // from the start of the file
    qint64 profileBytes = 0;

    // Whether the file embeds a profile lying whole within its `fileLength` bytes. One that
    // reaches past the end, or is larger than any real profile, is as good as none.
    bool hasEmbeddedProfile(qint64 fileLength) const;
};

enum class BmpHeaderRead {
    NotBmp,    // the bytes do not start as a BMP file does
    Truncated, // the head ends before the info header it declares (or an OS/2 one is malformed)
    Read,
};

// Reads the file header and the info header from the first bytes of a file. An OS/2 header may
// end after any field; those it leaves out read as zero.
BmpHeaderRead readBmpHeader(const uchar *head, qint64 headLength, BmpHeader &header);

// The embedded profile's bytes (see hasEmbeddedProfile), empty when there is none; nothing when
// the device fails to give them.
std::optional<QByteArray> readEmbeddedProfile(QIODevice &device, const BmpHeader &header, qint64 fileLength);

// Reads up to `capacity` bytes from the start of the device into `head`: how many it read (fewer
// for a shorter file), or -1 when the device cannot be read.
qint64 readFileHead(QIODevice &device, uchar *head, qint64 capacity);
