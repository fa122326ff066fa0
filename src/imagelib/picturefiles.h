#pragma once
// Reading pictures from files and writing them as 24-bit BMP files. Failures come back as a
// short reason (lower-case start, no final period) for the caller to show or ignore.
#include "imagelib/colour.h"

#include <QImage>
#include <QSize>
#include <QString>

struct PictureLimits {
    static constexpr int MaxSide = 16384;              // pixels a side of a picture made here
    static constexpr int MaxFileSide = 32767;          // pixels a side of a picture read from a file
    // Pixels in all: a square picture of 16384 x 16384 (268 megapixels).
    static constexpr int MaxSquareSide = 16384;
    static constexpr qint64 MaxPixels = qint64(MaxSquareSide) * MaxSquareSide;
    // Positive, at most MaxFileSide a side and MaxPixels in all: what the readers take.
    static bool accepts(QSize size);
    // "268 megapixels (16384 x 16384)", for messages.
    static QString describeMaxPixels();
};

struct LoadedPicture {
    QImage picture;   // null on failure (and for an empty path)
    QString error;    // on failure: why
    bool ok() const { return !picture.isNull(); }
};

// Reads BMP, JPEG, GIF, PNG and whatever else Qt's image readers take. An uncompressed 24-bit
// BMP comes back as Format_BGR888, its rows byte for byte; other BMP files as bmpvariants.h
// says; other files keep the format Qt reads them in (the first frame of an animation), turned
// upright where the file says the camera was held rotated. The declared size is checked against
// PictureLimits before anything is decoded. An empty path gives a null picture and no error.
//
// A BMP, JPEG or PNG file that embeds an ICC profile comes back converted to sRGB, in the same
// format, as convertedFromProfile does; a file without one comes back as its bytes say. A
// profile that is damaged (one Qt refuses, or one reaching past the end of a BMP file) is
// ignored: the picture opens as the file holds it, as a reader that knows nothing of profiles
// would show it, rather than not at all.
LoadedPicture loadPicture(const QString &path);

// The picture converted to sRGB from the colour space the ICC profile describes, keeping its
// format (a palette picture has its colours converted) and carrying no colour space, as every
// picture of the program does. An empty profile, one Qt cannot read and one describing sRGB
// leave the pixels as they are. Null only when the memory runs out.
QImage convertedFromProfile(QImage picture, const QByteArray &iccProfile);

// Writes the picture as a 24-bit BMP file at exactly `path` (no extension is added), replacing
// the file atomically: on any failure an existing file keeps its old bytes. Returns "" on
// success, else the reason.
QString savePicture(const QImage &picture, const QString &path);

// The picture as it shows over a background colour: a picture that may hold transparent pixels
// becomes an opaque Format_BGR888 one, each pixel blended over `background` by its alpha;
// any other picture comes back as it is.
QImage flattenedOver(const QImage &picture, Colour background);

// The reasons shared by the readers.
namespace PictureFileErrors {
QString damaged();
QString tooLarge();
QString outOfMemory();
QString unreadable();
// What the user is told when a file cannot be opened: the path and the reason.
QString cannotOpen(const QString &path, const QString &reason);
} // namespace PictureFileErrors
