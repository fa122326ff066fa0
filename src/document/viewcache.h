#pragma once
// What a picture view shows away from 100 %. Below it the view is area-averaged from a reduced
// copy of the bitmap: the bitmap halved (each pixel the mean of a 2 x 2 block, again and again)
// down to the first size at least as large as the view, made straight from the bitmap without
// keeping the halvings in between, and the view itself, each kept in tiles that are made when
// first shown (all that are missing in one pass shared among the cores) and made again only where
// the bitmap changed since. Above 100 % the shown rows are magnified straight from the bitmap
// into one reused buffer.
//
// Cost: a repaint of an unchanged view copies what it shows; a change costs the tiles it
// touches; a zoom to another halving reads the part of the bitmap it shows. The halvings made
// stay until the bitmap's size changes (a third of the bitmap's memory at most).
#include <QImage>
#include <QRect>

#include <vector>

class QPainter;

class ViewCache {
public:
    // The bitmap changed in `rect` (bitmap pixels), or everywhere.
    void invalidate(const QRect &rect);
    void invalidateAll();
    // Holds reduced tiles that invalidateAll would throw away: then finding what really changed
    // is worth its cost.
    bool holdsReducedTiles() const;

    // Paints the view pixels `viewRect` of `bitmap` (Format_BGR888) at `zoom`, the first of them
    // at `at`.
    void paint(QPainter &painter, const QImage &bitmap, double zoom, const QRect &viewRect, QPoint at);

private:
    // A reduced copy of the bitmap made tile by tile; `valid` says which tiles hold what they
    // should.
    struct Level {
        QImage image;
        std::vector<bool> valid;
        int columns = 0;
        int tile = 1; // its side in the halving's own pixels
        bool hasValidTiles = false;
        void reset(QSize size, int level);
        void invalidate(const QRect &rect);
        void invalidateAll();
        template <class Make>
        void ensure(const QRect &rect, Make make);
    };
    // The view at one zoom, in tiles of their own; their buffers go back to a pool when the zoom
    // changes, so that a zoom step reuses memory rather than touching fresh pages.
    struct ViewTile {
        QImage image;
        bool valid = false;
    };

    const QImage &levelImage(int level) const;
    void ensureLevel(int level, const QRect &rect);
    ViewTile &viewTile(int column, int row);
    QRect viewTileRect(int column, int row) const;
    // The pixels of the view's halving that the view pixels `viewArea` read.
    QRect levelRectFor(const QRect &viewArea) const;
    void resetView(double zoom);
    void resetFor(QSize bitmapSize);

    QSize m_bitmapSize;
    const QImage *m_bitmap = nullptr; // during paint only
    std::vector<Level> m_levels;      // m_levels[k - 1] is the bitmap halved k times
    double m_viewZoom = 0;
    int m_viewLevel = 0;
    QSize m_viewSize;
    int m_viewColumns = 0;
    std::vector<ViewTile> m_viewTiles;
    std::vector<QImage> m_spareTiles;
    bool m_viewHasValidTiles = false;
    QImage m_magnified;
};
