#pragma once
// Rotation by inverse mapping, without interpolation.
//
// Every destination pixel (X, Y) inside the box that bounds the forward-mapped corners of the
// source rectangle (x1, y1)-(x2, y2), both corners inclusive, is mapped back:
//   p = X - dx0, q = Y - dy0, u = p*c - q*s + cx, v = p*s + q*c + cy   (c, s: cos and sin of angle)
// and u, v are truncated toward zero to xs, ys. If x1 <= xs <= x2 and y1 <= ys <= y2 the pixel
// takes source (xs, ys); otherwise it keeps what it had. A corner (x, y) maps to
//   X = a*c + b*s + dx0, Y = -a*s + b*c + dy0 with a = x - cx, b = y - cy,
// rounded to nearest, ties to even; the box is cut to the destination bitmap. With y growing
// downwards a positive angle turns the picture counter-clockwise on screen. The source rectangle
// is cut to the source bitmap; src and dst may be the same picture.
#include <QImage>

void rotatePicture(const QImage &src, QImage &dst, double angle, int x1, int y1, int x2, int y2, int cx, int cy,
                   int dx0, int dy0);
