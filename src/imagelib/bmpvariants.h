#pragma once
// Every BMP file other than the plain 24-bit one that bmp.h reads on the fast path: palettes of
// 1, 2, 4 and 8 bits, run-length coded pixels, 16- and 32-bit pixels with any colour masks,
// OS/2 headers of either length, and PNG or JPEG pictures stored whole inside a BMP.
//
// Nothing is left to chance: run-length coded pixels that the file legally skips are palette
// colour 0; runs beyond the bitmap and palette indices beyond the palette make the file damaged;
// what the format allows but this program does not read is refused with a reason naming it.
#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

struct BmpVariantRead {
    // Palette pictures come back as Format_Indexed8 with the file's colours, pictures whose
    // masks include alpha as Format_ARGB32, all others as Format_BGR888. Null unless read.
    QImage picture;
    // A PNG or JPEG stored inside the BMP: its bytes and the format ("png", "jpeg"), for Qt's
    // readers to decode. `picture` is null then.
    QByteArray embedded;
    QByteArray embeddedFormat;
    // The ICC profile the file's header embeds, when it lies whole in the file; the pixels (or
    // the embedded picture) come as the file holds them.
    QByteArray profile;
    bool notBmp = false;   // the data does not start as a BMP file does
    QString error;         // why the BMP could not be read
};

// Reads the BMP from the start of the device (a file or a buffer; it must be able to seek).
// Every header field is checked against the data there and against PictureLimits before the
// picture is allocated.
BmpVariantRead readBmpVariant(QIODevice &device);

// A channel of `bits` bits (1 to 32) widened or narrowed to 8: short channels repeat their high
// bits below themselves, so that the largest value gives 255 (31 -> 255, 16 -> 132); long ones
// keep their top 8 bits.
int channelTo8Bits(quint32 value, int bits);
