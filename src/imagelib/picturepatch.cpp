#include "imagelib/picturepatch.h"

#include "imagelib/picturememory.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int BytesPerPixel = 3;

qsizetype patchBytes(const QList<QRect> &rects)
{
    qsizetype bytes = 0;
    for (const QRect &rect : rects)
        bytes += qsizetype(rect.width()) * rect.height() * BytesPerPixel;
    return bytes;
}

} // namespace

std::optional<PicturePatch> differingTiles(const QImage &before, const QImage &after, const QRect &within, qint64 limit)
{
    Q_ASSERT(before.size() == after.size());
    Q_ASSERT(before.format() == QImage::Format_BGR888 && after.format() == QImage::Format_BGR888);
    PicturePatch patch;
    const QRect area = within & before.rect();
    if (area.isEmpty())
        return patch;
    const int firstColumn = area.left() / PatchTileSide;
    const int columns = area.right() / PatchTileSide - firstColumn + 1;
    // Each tile's columns, cut to the area.
    std::vector<int> left(columns), right(columns);
    for (int c = 0; c < columns; ++c) {
        left[c] = qMax(area.left(), (firstColumn + c) * PatchTileSide);
        right[c] = qMin(area.right() + 1, (firstColumn + c + 1) * PatchTileSide);
    }
    std::vector<int> top(columns), bottom(columns);
    const size_t areaBytes = size_t(area.width()) * BytesPerPixel;
    const qsizetype areaOffset = qsizetype(area.left()) * BytesPerPixel;
    qint64 total = 0;
    for (int bandTop = area.top(); bandTop <= area.bottom();) {
        const int bandEnd = qMin((bandTop / PatchTileSide + 1) * PatchTileSide, area.bottom() + 1);
        std::fill(top.begin(), top.end(), -1);
        for (int y = bandTop; y < bandEnd; ++y) {
            const uchar *a = before.constScanLine(y);
            const uchar *b = after.constScanLine(y);
            // Most rows of a stroke's picture are untouched: one comparison rules the whole row out.
            if (std::memcmp(a + areaOffset, b + areaOffset, areaBytes) == 0)
                continue;
            for (int c = 0; c < columns; ++c) {
                const qsizetype offset = qsizetype(left[c]) * BytesPerPixel;
                if (std::memcmp(a + offset, b + offset, size_t(right[c] - left[c]) * BytesPerPixel) != 0) {
                    if (top[c] < 0)
                        top[c] = y;
                    bottom[c] = y;
                }
            }
        }
        for (int c = 0; c < columns; ++c) {
            if (top[c] < 0)
                continue;
            const QRect rect(left[c], top[c], right[c] - left[c], bottom[c] - top[c] + 1);
            total += qint64(rect.width()) * rect.height() * BytesPerPixel;
            patch.rects.append(rect);
        }
        if (total > limit)
            return std::nullopt;
        bandTop = bandEnd;
    }
    patch.pixels = copyPatch(before, patch.rects).pixels;
    return patch;
}

PicturePatch copyPatch(const QImage &picture, const QList<QRect> &rects)
{
    PicturePatch patch;
    patch.rects = rects;
    patch.pixels = QByteArray(patchBytes(rects), Qt::Uninitialized);
    char *to = patch.pixels.data();
    for (const QRect &rect : rects) {
        const size_t rowBytes = size_t(rect.width()) * BytesPerPixel;
        for (int y = rect.top(); y <= rect.bottom(); ++y, to += rowBytes)
            std::memcpy(to, picture.constScanLine(y) + qsizetype(rect.left()) * BytesPerPixel, rowBytes);
    }
    return patch;
}

QImage exchangePatch(const QImage &picture, PicturePatch &patch)
{
    Q_ASSERT(picture.format() == QImage::Format_BGR888);
    // A clone where the memory allows, so that the rebuild costs the patch and not the picture.
    QImage copy = picture;
    if (!detachPicture(copy, patch.rects))
        return QImage();
    uchar *const bits = copy.bits();
    const qsizetype stride = copy.bytesPerLine();
    uchar *kept = reinterpret_cast<uchar *>(patch.pixels.data());
    for (const QRect &rect : std::as_const(patch.rects)) {
        const qsizetype rowBytes = qsizetype(rect.width()) * BytesPerPixel;
        for (int y = rect.top(); y <= rect.bottom(); ++y, kept += rowBytes) {
            uchar *row = bits + y * stride + qsizetype(rect.left()) * BytesPerPixel;
            std::swap_ranges(row, row + rowBytes, kept);
        }
    }
    return copy;
}
