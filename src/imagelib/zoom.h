#pragma once
// A picture shown at a zoom. View pixel v shows picture pixel floor(v / zoom), along each axis;
// the pointer maps the same way, so the pixel a tool works on is the one shown under it. The
// kernels make a view's pixels from a picture (Format_BGR888) into Format_RGB32, the format the
// screen takes without conversion.
#include <QImage>
#include <QRect>
#include <QSize>

namespace Zoom {

// The picture pixel shown at view position v (any real v, negative too).
int pictureCoordinate(double v, double zoom);
// The first view pixel that shows picture pixel i; for i = n, the view length of n pixels.
int viewCoordinate(int i, double zoom);
QSize viewSize(QSize picture, double zoom);
// The view pixels that show any of the picture pixels of `rect`.
QRect viewRect(const QRect &pictureRect, double zoom);

} // namespace Zoom

// Each pixel of `half` inside `rect` becomes the mean of the 2 x 2 block of `source` it covers
// (of the one or two pixels there are at an odd right or bottom edge), rounded half up. Both
// Format_BGR888; `half` is (w + 1) / 2 x (h + 1) / 2 of the source's w x h.
void halvePicture(const QImage &source, QImage &half, const QRect &rect);
// The same `times` times over, as that many halvings one after the other would give, without
// keeping any picture in between; `reduced` is the size the last halving gives.
void reducePicture(const QImage &source, QImage &reduced, const QRect &rect, int times);

// Each pixel (x, y) of `out` (Format_RGB32, at least `viewRect`'s size) becomes the area average
// of the source pixels (Format_BGR888) that view pixel viewRect.topLeft() + (x, y) covers when
// one source pixel spans `scale` view pixels (0 < scale <= 1): view pixel v covers the source
// span [v / scale, (v + 1) / scale), cut at the source's edge, each source pixel weighted by
// how much of it lies in the span. Fixed point throughout: a uniform area gives exactly its
// colour, a scale of 1 / 2^k the mean rounded half up, any other within one level of it.
void shrinkToView(const QImage &source, double scale, const QRect &viewRect, QImage &out);

// Each pixel (x, y) of `out` (Format_RGB32, at least `viewRect`'s size) becomes the source
// pixel shown at view pixel viewRect.topLeft() + (x, y) at `zoom`: every picture pixel a sharp
// block. View pixels beyond the picture take its last row or column.
void magnifyToView(const QImage &source, double zoom, const QRect &viewRect, QImage &out);

// The smallest rectangle holding every pixel in which two pictures of one size and format
// differ; an empty one when they are equal.
QRect differingRect(const QImage &a, const QImage &b);
