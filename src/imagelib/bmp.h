#pragma once
// The 24-bit uncompressed BMP codec: the only file format this program writes, and the one
// it reads back at every commit. Pure functions; no Qt image plugin is involved.
#include <QByteArrayView>
#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

class QFile;
class QIODevice;

// 3*width rounded up to a multiple of 4 (the row layout of Format_BGR888 as well).
qsizetype bmp24RowBytes(int width);
// 54 + rowBytes*height.
qsizetype bmp24FileSize(QSize size);

// Writes the whole file: BITMAPFILEHEADER + BITMAPINFOHEADER (54 bytes, BI_RGB, 24 bpp),
// then the rows bottom-up, each padded with zero bytes. Any QImage format is accepted;
// Format_BGR888 rows go out as they are, other formats are converted a band of rows at a
// time. Returns false when the picture is null or a write fails.
bool writeBmp24(QIODevice &device, const QImage &picture);

// The same to an open POSIX file descriptor, positioned where the file should start. BGR888
// rows are handed to the kernel in place (writev, a thousand rows a call), other formats go
// through a band buffer. Returns 0, or the errno of the failed write (EINVAL for a null picture).
int writeBmp24(int fd, const QImage &picture);

// Brings a file that holds a whole writeBmp24 of a picture of the same size up to date with the
// picture, writing only the bytes of the pixels inside the rectangles (and the row padding after
// a rectangle that reaches the last column); every other byte is left as it is. The file then
// holds exactly what writeBmp24 of the picture would write, provided it held the whole file of
// an earlier picture that differs only inside the rectangles. The file's position is not used.
// Returns 0, the errno of the failed write (the file is then partly rewritten: write it whole),
// or EINVAL when the picture is null or the file's length or header is not that of a 24-bit BMP
// of the picture's size.
int rewriteBmp24(int fd, const QImage &picture, const QList<QRect> &changed);

struct Bmp24Read {
    QImage picture;          // Format_BGR888, top row first; null unless the read succeeded
    QByteArray profile;      // the ICC profile the file embeds, when it lies whole in the file
    bool notBmp24 = false;   // the data is some other kind of file: let another reader try
    QString error;           // why a 24-bit BMP could not be read (empty when notBmp24)
};

// Reads an uncompressed 24-bit BMP (info header of 40, 108 or 124 bytes, rows bottom-up or
// top-down). Every header field is checked against the data actually there and against
// PictureLimits before the picture is allocated. The pixels come as the file holds them; the
// profile is the caller's to apply (loadPicture does).
//
// From memory.
Bmp24Read readBmp24(QByteArrayView bytes);
// From a file opened for reading (best unbuffered). Reads the header, then the rows straight
// into the picture's memory, reversing their order with gathered writes or scattered reads
// rather than a copy: fresh picture memory is filled through its file in memory, so that none of
// its pages is faulted in and cleared first. The file's position is left undefined; seek before
// reading it again.
Bmp24Read readBmp24(QFile &file);
