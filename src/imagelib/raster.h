#pragma once
// Pixel reads, writes and block transfers on a persistent bitmap, with the raster-operation codes
// and clipping rules of the device-context calls the drawing code is written against. Pictures
// are Format_BGR888; transfers between pictures of different formats convert the source first.
#include "imagelib/colour.h"

#include <QImage>
#include <QRect>

enum RasterOp : quint32 { SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6 };

// CLR_INVALID outside the bitmap (and for a null one).
Colour rasterGetPixel(const QImage &image, int x, int y);
// Does nothing outside the bitmap; returns whether the pixel was written.
bool rasterSetPixel(QImage &image, int x, int y, Colour colour);

// Transfers w x h pixels from src at (sx, sy) to dst at (x, y). Only the part that lies inside
// both bitmaps is transferred. src and dst may be the same picture, overlapping or not. An
// unknown raster operation transfers nothing. Returns the destination rectangle changed.
QRect rasterBitBlt(QImage &dst, int x, int y, int w, int h, const QImage &src, int sx, int sy, quint32 rop);

// Transfers the source rectangle (sx, sy, sw, sh) onto the destination rectangle (x, y, w, h),
// sampling the nearest source pixel. A negative extent mirrors along its axis and the rectangle
// then spans x + w .. x - 1, so (w, 0, -w, h) from (0, 0, w, h) mirrors a w-wide picture exactly;
// a negative source extent mirrors too, and mirroring on both sides cancels. Destination pixels
// whose sample falls outside the source, or that lie outside dst, are left alone.
// Returns the destination rectangle changed.
QRect rasterStretchBlt(QImage &dst, int x, int y, int w, int h, const QImage &src, int sx, int sy, int sw,
                       int sh, quint32 rop);

// Same size, format and pixels; pictures that share their data compare without reading it.
bool samePixels(const QImage &a, const QImage &b);
