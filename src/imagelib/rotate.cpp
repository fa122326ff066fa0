#include "imagelib/rotate.h"

#include "imagelib/clones.h"
#include "imagelib/parallel.h"
#include "imagelib/picturememory.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace {

struct Rotation {
    double c;
    double s;
    double cx;
    double cy;
};

// Source positions for one destination row, truncated toward zero. Each value is computed from
// p and q exactly as the mapping is written (q*s and q*c are the same products for the whole
// row), so the results match a pixel-by-pixel evaluation bit for bit; neither clone may fuse a
// multiply and an add (the avx2 target brings no FMA). Values are first held within
// [lo - 1, hi + 1], which keeps the conversion defined without changing which positions lie
// inside [lo, hi]: -1 < u < 0 still truncates to 0.
VP_AVX2_CLONES void mapRow(int *xs, int *ys, int count, double pFirst, double q, const Rotation &r, double xLow,
                           double xHigh, double yLow, double yHigh)
{
    const double qs = q * r.s;
    const double qc = q * r.c;
    for (int i = 0; i < count; ++i) {
        const double p = pFirst + double(i);
        double u = p * r.c - qs + r.cx;
        double v = p * r.s + qc + r.cy;
        u = u >= xLow ? u : xLow;
        u = u <= xHigh ? u : xHigh;
        v = v >= yLow ? v : yLow;
        v = v <= yHigh ? v : yHigh;
        xs[i] = int(u);
        ys[i] = int(v);
    }
}

// Bpp 0 stands for a pixel size known only at run time.
template<int Bpp>
void copyMapped(uchar *line, const uchar *from, qsizetype fromStride, const int *xs, const int *ys, int count,
                int x1, unsigned xSpan, int y1, unsigned ySpan, int bpp = Bpp)
{
    for (int i = 0; i < count; ++i) {
        if (unsigned(xs[i] - x1) > xSpan || unsigned(ys[i] - y1) > ySpan)
            continue;
        const uchar *s = from + ys[i] * fromStride + qsizetype(xs[i]) * (Bpp ? Bpp : bpp);
        uchar *d = line + qsizetype(i) * (Bpp ? Bpp : bpp);
        if constexpr (Bpp == 3) {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        } else {
            std::memcpy(d, s, size_t(Bpp ? Bpp : bpp));
        }
    }
}

// The pixels of one destination row whose source lies inside the rectangle. The positions move
// one way along a row, so those pixels are normally one run: `whole` says they were counted to
// be, and then the run is copied without a test per pixel.
struct Run {
    int first = 0;
    int end = 0;
    bool whole = true;
};

// A run of 3-byte pixels moved four bytes at a time: the fourth byte lands on the next pixel of
// the run, which is written right after. The last pixel, and a source pixel at the very end of
// the picture, go byte by byte.
void copyRun24(uchar *line, const uchar *from, qsizetype fromStride, const uchar *fromEnd, const int *xs,
               const int *ys, Run run)
{
    for (int i = run.first; i < run.end; ++i) {
        const uchar *s = from + ys[i] * fromStride + qsizetype(xs[i]) * 3;
        uchar *d = line + qsizetype(i) * 3;
        if (i + 1 < run.end && s + 4 <= fromEnd) {
            quint32 v;
            std::memcpy(&v, s, 4);
            std::memcpy(d, &v, 4);
        } else {
            d[0] = s[0];
            d[1] = s[1];
            d[2] = s[2];
        }
    }
}

} // namespace

void rotatePicture(const QImage &src, QImage &dst, double angle, int x1, int y1, int x2, int y2, int cx, int cy,
                   int dx0, int dy0)
{
    if (src.isNull() || dst.isNull() || dst.depth() % 8 != 0 || !std::isfinite(angle))
        return;
    // So that a picture sharing dst's pixels keeps the ones to read from; a rotation writes most
    // of its destination.
    if (!detachPicture(dst, {dst.rect()}))
        return;
    if (src.format() != dst.format() || src.constBits() == dst.constBits()) {
        rotatePicture(src.convertToFormat(dst.format()).copy(), dst, angle, x1, y1, x2, y2, cx, cy, dx0, dy0);
        return;
    }
    const Rotation r{std::cos(angle), std::sin(angle), double(cx), double(cy)};

    // The box comes from the rectangle as given; the rectangle is cut to the source afterwards.
    double minX = HUGE_VAL, maxX = -HUGE_VAL, minY = HUGE_VAL, maxY = -HUGE_VAL;
    const std::pair<int, int> corners[] = {{x1, y1}, {x1, y2}, {x2, y1}, {x2, y2}};
    for (const auto &[x, y] : corners) {
        const double a = double(x) - double(cx);
        const double b = double(y) - double(cy);
        const double X = std::nearbyint(a * r.c + b * r.s + double(dx0));
        const double Y = std::nearbyint(-a * r.s + b * r.c + double(dy0));
        minX = std::min(minX, X);
        maxX = std::max(maxX, X);
        minY = std::min(minY, Y);
        maxY = std::max(maxY, Y);
    }
    const int left = int(std::clamp(minX, 0.0, double(dst.width())));
    const int top = int(std::clamp(minY, 0.0, double(dst.height())));
    const int right = int(std::clamp(maxX, -1.0, double(dst.width() - 1)));
    const int bottom = int(std::clamp(maxY, -1.0, double(dst.height() - 1)));
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, src.width() - 1);
    y2 = std::min(y2, src.height() - 1);
    if (left > right || top > bottom || x1 > x2 || y1 > y2)
        return;

    const int bpp = dst.depth() / 8;
    const unsigned xSpan = unsigned(x2 - x1);
    const unsigned ySpan = unsigned(y2 - y1);
    // Each thread's rows are walked in columns 256 pixels wide, each from top to bottom. At an
    // angle, consecutive source pixels of one row lie on different source rows, out of reach of
    // the hardware's prefetch; so each row is mapped a few rows ahead of its copy and its source
    // lines are fetched then.
    constexpr int columnWidth = 256;
    constexpr int ahead = 4;
    const uchar *const from = src.constBits();
    const qsizetype fromStride = src.bytesPerLine();
    const uchar *const fromEnd = from + src.sizeInBytes();
    uchar *const to = dst.bits();
    const qsizetype toStride = dst.bytesPerLine();
    // A row costs about ten times its copy: the source is read a pixel at a time, out of order.
    const qsizetype rowCost = 20 * qsizetype(right - left + 1) * bpp;
    forEachStrip(top, bottom + 1, rowCost, [=, &r](int firstY, int endY) {
        const int lastY = endY - 1;
        std::vector<int> xs(size_t(columnWidth) * ahead), ys(size_t(columnWidth) * ahead);
        Run runs[ahead];
        for (int columnLeft = left; columnLeft <= right; columnLeft += columnWidth) {
            const int count = std::min(columnWidth, right - columnLeft + 1);
            const double pFirst = double(columnLeft) - double(dx0);
            auto mapAhead = [&](int Y) {
                const size_t slot = size_t(Y % ahead) * columnWidth;
                mapRow(xs.data() + slot, ys.data() + slot, count, pFirst, double(Y) - double(dy0), r, x1 - 1.0,
                       x2 + 1.0, y1 - 1.0, y2 + 1.0);
                int first = count, last = -1, inside = 0;
                for (int i = 0; i < count; ++i)
                    if (unsigned(xs[slot + i] - x1) <= xSpan && unsigned(ys[slot + i] - y1) <= ySpan) {
                        __builtin_prefetch(from + ys[slot + i] * fromStride + qsizetype(xs[slot + i]) * bpp);
                        first = std::min(first, i);
                        last = i;
                        ++inside;
                    }
                runs[Y % ahead] = inside ? Run{first, last + 1, inside == last + 1 - first} : Run{};
            };
            for (int Y = firstY; Y < firstY + ahead - 1 && Y <= lastY; ++Y)
                mapAhead(Y);
            for (int Y = firstY; Y <= lastY; ++Y) {
                if (Y + ahead - 1 <= lastY)
                    mapAhead(Y + ahead - 1);
                const size_t slot = size_t(Y % ahead) * columnWidth;
                uchar *line = to + Y * toStride + qsizetype(columnLeft) * bpp;
                const int *rowXs = xs.data() + slot;
                const int *rowYs = ys.data() + slot;
                const Run run = runs[Y % ahead];
                if (bpp == 3 && run.whole)
                    copyRun24(line, from, fromStride, fromEnd, rowXs, rowYs, run);
                else if (bpp == 3)
                    copyMapped<3>(line, from, fromStride, rowXs, rowYs, count, x1, xSpan, y1, ySpan);
                else if (bpp == 4)
                    copyMapped<4>(line, from, fromStride, rowXs, rowYs, count, x1, xSpan, y1, ySpan);
                else
                    copyMapped<0>(line, from, fromStride, rowXs, rowYs, count, x1, xSpan, y1, ySpan, bpp);
            }
        }
    });
}
