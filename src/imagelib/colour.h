#pragma once
// A colour in the program is 0x00BBGGRR, red in the low byte. Pictures are kept in the
// 24-bit BMP row layout (QImage::Format_BGR888: blue, green, red in memory, rows padded to
// 4 bytes); QRgb (0xAARRGGBB) appears only at the Qt boundary, through the helpers below.
#include <QColor>
#include <QImage>
#include <QRgb>
#include <cstdint>

using Colour = std::uint32_t;

inline constexpr int redOf(Colour c) { return int(c & 0xFF); }
inline constexpr int greenOf(Colour c) { return int((c >> 8) & 0xFF); }
inline constexpr int blueOf(Colour c) { return int((c >> 16) & 0xFF); }
inline constexpr Colour makeColour(int r, int g, int b)
{
    return Colour(r & 0xFF) | (Colour(g & 0xFF) << 8) | (Colour(b & 0xFF) << 16);
}

inline QRgb toQRgb(Colour c) { return qRgb(redOf(c), greenOf(c), blueOf(c)); }
inline Colour fromQRgb(QRgb rgb) { return makeColour(qRed(rgb), qGreen(rgb), qBlue(rgb)); }
inline QColor toQColor(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }
inline Colour fromQColor(const QColor &colour) { return fromQRgb(colour.rgb()); }

// One pixel of a Format_BGR888 picture.
inline Colour pixelBGR(const uchar *p) { return makeColour(p[2], p[1], p[0]); }
inline void setPixelBGR(uchar *p, Colour c)
{
    p[0] = uchar(blueOf(c));
    p[1] = uchar(greenOf(c));
    p[2] = uchar(redOf(c));
}

// The pixel format of every persistent bitmap and of pictures read back from 24-bit BMP files.
inline constexpr QImage::Format PictureFormat = QImage::Format_BGR888;
