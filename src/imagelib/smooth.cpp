#include "imagelib/smooth.h"

#include "imagelib/clones.h"
#include "imagelib/colour.h"
#include "imagelib/parallel.h"
#include "imagelib/picturememory.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// Vertical 3-row sums go into 16-bit lanes (at most 3 x 255), then the horizontal step adds three
// of them (at most 2295) and divides. The loops are kept plain so the compiler vectorises them.

VP_AVX2_CLONES void sumRows(std::uint16_t *out, const uchar *a, const uchar *b, const uchar *c, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        out[i] = std::uint16_t(a[i] + b[i] + c[i]);
}

VP_AVX2_CLONES void sumRows(std::uint16_t *out, const uchar *a, const uchar *b, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        out[i] = std::uint16_t(a[i] + b[i]);
}

void sumRows(std::uint16_t *out, const uchar *a, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        out[i] = a[i];
}

// (s * 7282) >> 16 equals s / 9 for every s from 0 to 2295 (the error stays below 1/150 while
// the fraction of s / 9 never exceeds 8/9), and it maps onto a 16-bit high multiply.
inline std::uint16_t divideBy9(std::uint16_t s)
{
    return std::uint16_t((std::uint32_t(s) * 7282u) >> 16);
}

// `padded` holds one zero pixel either side of the row's column sums.
VP_AVX2_CLONES void meanRow(uchar *out, const std::uint16_t *padded, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        out[i] = uchar(divideBy9(std::uint16_t(padded[i] + padded[i + 3] + padded[i + 6])));
}

} // namespace

void smoothRows(const QImage &before, QImage &after, int firstRow, int endRow)
{
    if (before.format() != PictureFormat || after.format() != PictureFormat || before.size() != after.size())
        return;
    const int width = before.width();
    const int height = before.height();
    firstRow = std::max(firstRow, 0);
    endRow = std::min(endRow, height);
    if (width <= 0 || firstRow >= endRow)
        return;
    // A picture sharing after's pixels keeps the ones to read from.
    if (!detachPicture(after, {QRect(0, firstRow, width, endRow - firstRow)}))
        return;
    if (after.constBits() == before.constBits()) {
        const QImage original = copiedPicture(before);
        smoothRows(original, after, firstRow, endRow);
        return;
    }

    const qsizetype n = qsizetype(width) * 3;
    const uchar *const from = before.constBits();
    const qsizetype fromStride = before.bytesPerLine();
    uchar *const to = after.bits();
    const qsizetype toStride = after.bytesPerLine();
    // A row costs about four times its copy.
    forEachStrip(firstRow, endRow, 8 * n, [=](int first, int end) {
        std::vector<std::uint16_t> sums(size_t(n + 6), 0);
        std::uint16_t *columns = sums.data() + 3;
        for (int y = first; y < end; ++y) {
            const uchar *middle = from + y * fromStride;
            const uchar *above = y > 0 ? middle - fromStride : nullptr;
            const uchar *below = y + 1 < height ? middle + fromStride : nullptr;
            if (above && below)
                sumRows(columns, above, middle, below, n);
            else if (above || below)
                sumRows(columns, above ? above : below, middle, n);
            else
                sumRows(columns, middle, n);
            meanRow(to + y * toStride, sums.data(), n);
        }
    });
}

QImage smoothed(const QImage &picture)
{
    if (picture.isNull())
        return {};
    const QImage before = picture.format() == PictureFormat ? picture : picture.convertToFormat(PictureFormat);
    QImage after = newPicture(before.size());
    smoothRows(before, after, 0, before.height());
    return after;
}
