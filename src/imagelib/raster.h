#pragma once
// Pixel reads, writes and block transfers on a picture, clipped to it. Pictures are
// Format_BGR888; transfers between pictures of different formats convert the source first.
#include "imagelib/colour.h"

#include <QImage>
#include <QRect>

#include <optional>

// How a transfer combines each byte of the source with the destination's.
enum class RasterOp { Copy, And, Or };

// The colour of one pixel; nothing outside the picture (and for a null one).
std::optional<Colour> pixelAt(const QImage &image, int x, int y);
// Does nothing outside the picture; returns whether the pixel was written.
bool setPixelAt(QImage &image, int x, int y, Colour colour);

// Transfers w x h pixels from src at (sx, sy) to dst at (x, y). Only the part that lies inside
// both pictures is transferred. src and dst may be the same picture, overlapping or not.
// Returns the destination rectangle changed.
QRect blit(QImage &dst, int x, int y, int w, int h, const QImage &src, int sx, int sy, RasterOp op);

// Transfers the source rectangle (sx, sy, sw, sh) onto the destination rectangle (x, y, w, h),
// sampling the nearest source pixel. A negative extent mirrors along its axis and the rectangle
// then spans x + w .. x - 1, so (w, 0, -w, h) from (0, 0, w, h) mirrors a w-wide picture exactly;
// a negative source extent mirrors too, and mirroring on both sides cancels. Destination pixels
// whose sample falls outside the source, or that lie outside dst, are left alone. The flips are
// this transfer with one extent negative.
// Returns the destination rectangle changed.
QRect stretchBlit(QImage &dst, int x, int y, int w, int h, const QImage &src, int sx, int sy, int sw, int sh,
                  RasterOp op = RasterOp::Copy);

// Same size, format and pixels; pictures that share their data compare without reading it.
bool samePixels(const QImage &a, const QImage &b);
