#pragma once
// The stretch-draw behind Size: one picture resampled onto a picture of another size.
#include <QImage>
#include <QSize>

// Stretches `source` (any format; Format_BGR888 is the fast path) onto a Format_BGR888 picture of
// `size`. Each side is treated on its own: area-averaging where it shrinks (an output pixel is
// the mean of the source area it covers), bilinear with pixel centres aligned where it grows,
// an exact copy where it keeps its length. Integer arithmetic throughout, so the result is the
// same on every machine. A null source or an empty size gives a null picture.
QImage resampled(const QImage &source, QSize size);
