#pragma once
// A picture's pixels inside a few rectangles, kept aside. The undo history keeps a state as the
// tiles where it differs from its neighbour, so that a stroke across a big picture costs the
// history a strip, not a picture. Pictures are Format_BGR888 (24 bits, rows padded to 4 bytes;
// the padding is never compared or copied).
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRect>

#include <optional>

struct PicturePatch {
    // Rectangles in picture coordinates, none overlapping another.
    QList<QRect> rects;
    // Each rectangle's rows in turn, top to bottom, 3 bytes a pixel, nothing between rows.
    QByteArray pixels;

    bool isEmpty() const { return rects.isEmpty(); }
    // What keeping the patch costs.
    qint64 bytes() const { return qint64(pixels.size()) + qint64(rects.size()) * qint64(sizeof(QRect)); }
};

// Pictures are compared in tiles of this side; a tile that differs is kept as its columns and
// only the rows between its first and last differing one.
inline constexpr int PatchTileSide = 64;

// Where `after` differs from `before`, with `before`'s pixels there: the tiles, cut to their
// differing rows, in rows of tiles from the top. Only the tiles that meet `within` are compared,
// so the caller vouches that nothing differs outside it. Both pictures have the same size and
// are Format_BGR888. Nothing when the patch would take more than `limit` bytes of pixels; an
// empty patch when the pictures are the same inside `within`.
std::optional<PicturePatch> differingTiles(const QImage &before, const QImage &after, const QRect &within, qint64 limit);

// The picture's pixels inside the rectangles (each inside the picture).
PicturePatch copyPatch(const QImage &picture, const QList<QRect> &rects);

// A copy of the picture with the patch's pixels in place of its own; the patch is left holding
// the pixels the picture had there, so that the same exchange on the copy gives the picture
// back. The copy is a clone (see picturememory.h) where the picture's memory allows: it costs
// the patch, not the picture. Null when the memory for the copy cannot be had (the patch is then
// unchanged).
QImage exchangePatch(const QImage &picture, PicturePatch &patch);
