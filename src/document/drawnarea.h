#pragma once
// Where a picture has been drawn on since some moment, kept as the tiles of 64 x 64 pixels that
// the drawing touched: a stroke from corner to corner is a chain of tiles along its path, not the
// whole picture that its bounding rectangle would be. Whatever must bring back, compare or write
// what was drawn (erasing a preview, the history's comparison, the temp file) does so tile by tile.
#include <QList>
#include <QRect>
#include <QSize>

#include <vector>

// What is known of a new picture: outside the rectangles `within` it has the pixels of the
// picture whose cache key is `base`. A base of 0 says nothing: it may differ anywhere.
struct PictureChange {
    qint64 base = 0;
    QList<QRect> within;
};

class DrawnArea {
public:
    static constexpr int TileSide = 64;

    // Nothing drawn, on a picture of this size.
    void reset(QSize size);
    // Everything drawn (a picture replaced whole).
    void fill(QSize size);
    // The tiles that meet the rectangle (cut to the picture) count as drawn.
    void add(const QRect &rect);
    void add(const DrawnArea &other);

    bool isEmpty() const { return m_bounds.isEmpty(); }
    QSize size() const { return m_size; }
    // The rectangle around every tile drawn.
    QRect bounds() const { return m_bounds; }
    // The tiles drawn, as rectangles cut to the picture, each row of tiles joined into runs.
    QList<QRect> rects() const;

private:
    QSize m_size;
    int m_columns = 0;
    std::vector<bool> m_tiles;
    QRect m_bounds;
};
