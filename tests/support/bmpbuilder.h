#pragma once
// BMP files of every layout the format allows, made byte by byte at run time: the headers of
// each length, palettes, colour masks and run-length coded pixels. Header only, so that the
// fuzzer's seed writer can use it without the test support library.
#include <QByteArray>
#include <QList>
#include <QRgb>

#include <algorithm>

namespace vptest {

struct BmpLayout {
    int infoBytes = 40;        // 12 (core), 16 to 64 (OS/2), 40, 52, 56, 108, 124
    int width = 0;
    int height = 0;            // negative: rows stored top row first
    int bits = 24;
    quint32 compression = 0;   // 0 none, 1 RLE8, 2 RLE4, 3 bit fields, 4 JPEG, 5 PNG, 6 alpha bit fields
    QList<quint32> masks;      // in the header when it has room (52 bytes and more), else after it
    QList<QRgb> palette;
    quint32 coloursUsed = 0;   // as the header says it
    int gap = 0;               // bytes between the palette and the pixels
    QByteArray pixels;         // exactly as they go into the file
    quint32 colourSpace = 0;   // headers of 108 bytes and more: 'MBED' for an embedded profile
    QByteArray profile;        // 124-byte headers: stored before the pixels, or after them
    bool profileAfterPixels = false;
};

namespace bmpbytes {
inline void put16(QByteArray &bytes, int at, quint32 value)
{
    bytes[at] = char(value);
    bytes[at + 1] = char(value >> 8);
}
inline void put32(QByteArray &bytes, int at, quint32 value)
{
    put16(bytes, at, value);
    put16(bytes, at + 2, value >> 16);
}
} // namespace bmpbytes

inline QByteArray bmpFile(const BmpLayout &layout)
{
    using namespace bmpbytes;
    QByteArray info(layout.infoBytes, '\0');
    put32(info, 0, quint32(layout.infoBytes));
    if (layout.infoBytes == 12) {
        put16(info, 4, quint32(layout.width));
        put16(info, 6, quint32(layout.height));
        put16(info, 8, 1);
        put16(info, 10, quint32(layout.bits));
    } else {
        put32(info, 4, quint32(layout.width));
        put32(info, 8, quint32(layout.height));
        put16(info, 12, 1);
        put16(info, 14, quint32(layout.bits));
        const auto field = [&](int at, quint32 value) {
            if (at + 4 <= layout.infoBytes)
                put32(info, at, value);
        };
        field(16, layout.compression);
        field(20, quint32(layout.pixels.size()));
        field(32, layout.coloursUsed);
        if (layout.infoBytes >= 108)
            field(56, layout.colourSpace);
    }
    QByteArray afterInfo;
    for (qsizetype i = 0; i < layout.masks.size(); ++i) {
        if (layout.infoBytes >= 52 && 40 + 4 * i + 4 <= layout.infoBytes) {
            put32(info, int(40 + 4 * i), layout.masks[i]);
        } else {
            QByteArray mask(4, '\0');
            put32(mask, 0, layout.masks[i]);
            afterInfo += mask;
        }
    }
    for (const QRgb colour : layout.palette) {
        afterInfo += char(qBlue(colour));
        afterInfo += char(qGreen(colour));
        afterInfo += char(qRed(colour));
        if (layout.infoBytes != 12)
            afterInfo += '\0';
    }
    afterInfo += QByteArray(layout.gap, '\x5A');
    const bool withProfile = layout.infoBytes >= 124 && !layout.profile.isEmpty();
    if (withProfile) {
        const qsizetype at = info.size() + afterInfo.size() + (layout.profileAfterPixels ? layout.pixels.size() : 0);
        put32(info, 112, quint32(at));
        put32(info, 116, quint32(layout.profile.size()));
        if (!layout.profileAfterPixels)
            afterInfo += layout.profile;
    }
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    const int offset = int(14 + info.size() + afterInfo.size());
    const QByteArray trailer = withProfile && layout.profileAfterPixels ? layout.profile : QByteArray();
    put32(file, 2, quint32(offset + layout.pixels.size() + trailer.size()));
    put32(file, 10, quint32(offset));
    return file + info + afterInfo + layout.pixels + trailer;
}

// Values of `bits` bits each (1 to 32), rows given top row first, as the rows of a BMP file:
// bottom row first unless `topDown`, each padded to a multiple of 4 bytes. Values of 16 and 32
// bits are stored little-endian.
inline QByteArray packedRows(const QList<QList<quint32>> &rows, int bits, bool topDown = false)
{
    QByteArray out;
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QList<quint32> &row = rows[topDown ? r : rows.size() - 1 - r];
        QByteArray packed;
        if (bits >= 8) {
            for (const quint32 value : row)
                for (int byte = 0; byte < bits / 8; ++byte)
                    packed += char(value >> (8 * byte));
        } else {
            packed = QByteArray((row.size() * bits + 7) / 8, '\0');
            for (qsizetype x = 0; x < row.size(); ++x) {
                const qsizetype bit = x * bits;
                packed[bit / 8] = char(packed[bit / 8] | (row[x] << (8 - bits - bit % 8)));
            }
        }
        packed += QByteArray((4 - packed.size() % 4) % 4, '\0');
        out += packed;
    }
    return out;
}

// Palette indices, rows top row first, run-length coded as BMP files do (8 or 4 bits an index):
// runs of one index (or, with 4 bits, of two alternating ones) and literal stretches, an end of
// row after each row and the end of the picture after the last.
inline QByteArray runLengthRows(const QList<QList<int>> &rows, int bits)
{
    QByteArray out;
    const auto code = [&](int count, int value) { out += char(count); out += char(value); };
    for (qsizetype r = rows.size() - 1; r >= 0; --r) {
        const QList<int> &row = rows[r];
        const qsizetype n = row.size();
        qsizetype i = 0;
        while (i < n) {
            // How far the pattern of the next one (8 bits) or two (4 bits) indices repeats.
            qsizetype run = 1;
            const int first = row[i];
            const int second = bits == 4 && i + 1 < n ? row[i + 1] : first;
            while (i + run < n && run < 255 && row[i + run] == (run % 2 ? second : first))
                ++run;
            if (run >= 3 || i + run == n || (bits == 8 && run >= 2)) {
                code(int(run), bits == 4 ? (first << 4) | second : first);
                i += run;
                continue;
            }
            // A literal stretch, up to where the next run of three starts.
            qsizetype literal = 0;
            while (i + literal < n && literal < 254) {
                const qsizetype k = i + literal;
                if (k + 2 < n && row[k] == row[k + 1] && row[k] == row[k + 2])
                    break;
                ++literal;
            }
            if (literal < 3) {
                code(1, bits == 4 ? row[i] << 4 : row[i]);
                ++i;
                continue;
            }
            code(0, int(literal));
            QByteArray data;
            for (qsizetype k = 0; k < literal; ++k) {
                if (bits == 8)
                    data += char(row[i + k]);
                else if (k % 2 == 0)
                    data += char(row[i + k] << 4);
                else
                    data[data.size() - 1] = char(data.back() | row[i + k]);
            }
            if (data.size() % 2)
                data += '\0';
            out += data;
            i += literal;
        }
        code(0, r == 0 ? 1 : 0);
    }
    return out;
}

} // namespace vptest
