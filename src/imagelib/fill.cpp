#include "imagelib/fill.h"

#include <cstring>

namespace {

struct Bgr {
    uchar b, g, r;
    explicit Bgr(Colour c) : b(uchar(blueOf(c))), g(uchar(greenOf(c))), r(uchar(redOf(c))) {}
    bool at(const uchar *p) const { return p[0] == b && p[1] == g && p[2] == r; }
};

int firstMatch(const uchar *row, int width, Bgr want)
{
    for (int x = 0; x < width; ++x)
        if (want.at(row + 3 * x))
            return x;
    return -1;
}

// Replaces the matches of one row in place; widens `changed` by them.
void replaceInRow(uchar *row, int y, int width, Bgr want, Bgr put, QRect &changed)
{
    int first = width, last = -1;
    for (int x = 0; x < width; ++x) {
        uchar *p = row + 3 * x;
        if (want.at(p)) {
            p[0] = put.b;
            p[1] = put.g;
            p[2] = put.r;
            first = qMin(first, x);
            last = x;
        }
    }
    if (last >= 0)
        changed |= QRect(first, y, last - first + 1, 1);
}

QRect replaceInBgr(QImage &picture, Colour target, Colour replacement)
{
    const Bgr want(target), put(replacement);
    const int width = picture.width(), height = picture.height();
    QRect changed;
    if (picture.isDetached()) {
        for (int y = 0; y < height; ++y)
            replaceInRow(picture.scanLine(y), y, width, want, put, changed);
        return changed;
    }
    // Pixels shared with another picture (a canvas just committed shares its stored picture):
    // rather than copy them all and then go over the copy again, copy each row into a picture
    // of our own and replace in it while the row is at hand. Nothing is copied without a match.
    int y0 = 0;
    while (y0 < height && firstMatch(picture.constScanLine(y0), width, want) < 0)
        ++y0;
    if (y0 == height)
        return {};
    QImage own(picture.size(), picture.format());
    if (own.isNull())
        return {};
    const size_t rowBytes = size_t(width) * 3;
    for (int y = 0; y < height; ++y) {
        uchar *row = own.scanLine(y);
        std::memcpy(row, picture.constScanLine(y), rowBytes);
        if (y >= y0)
            replaceInRow(row, y, width, want, put, changed);
    }
    picture = own;
    return changed;
}

} // namespace

QRect replaceColour(QImage &picture, Colour target, Colour replacement)
{
    if (picture.isNull() || target > 0x00FFFFFFu || target == replacement)
        return {};
    if (picture.format() == PictureFormat)
        return replaceInBgr(picture, target, replacement);
    QRect changed;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (fromQRgb(picture.pixel(x, y)) == target) {
                picture.setPixel(x, y, toQRgb(replacement));
                changed |= QRect(x, y, 1, 1);
            }
    return changed;
}
