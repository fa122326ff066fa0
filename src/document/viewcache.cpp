#include "document/viewcache.h"

#include "imagelib/colour.h"
#include "imagelib/zoom.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Reduced copies are made and invalidated in blocks of this size.
// A tile of a halving covers this many pixels of the bitmap a side (fewer of its own the deeper
// it is), so that a stroke costs the view about the same at every zoom.
constexpr int LevelTileInBitmap = 128;
constexpr int SmallestLevelTile = 8;
constexpr int ViewTileSize = 128;
// Spare view tiles kept for the next zoom (64 kB each): what a large window shows.
constexpr size_t MostSpareTiles = 160;

QRect halvedRect(const QRect &rect, int times)
{
    return QRect(QPoint(rect.left() >> times, rect.top() >> times), QPoint(rect.right() >> times, rect.bottom() >> times));
}

// The halving a view at `zoom` (< 1) is made from: the smallest one still at least as large,
// so that each view pixel averages no more than about two of its pixels along each axis.
int levelFor(double zoom)
{
    int level = 0;
    while (level < 30 && zoom * double(2 << level) <= 1.0)
        ++level;
    return level;
}

} // namespace

void ViewCache::Level::reset(QSize size, int level)
{
    tile = std::max(SmallestLevelTile, LevelTileInBitmap >> level);
    if (image.size() != size)
        image = QImage(size, PictureFormat);
    columns = (size.width() + tile - 1) / tile;
    const int rows = (size.height() + tile - 1) / tile;
    valid.assign(size_t(columns) * size_t(rows), false);
    hasValidTiles = false;
}

void ViewCache::Level::invalidate(const QRect &rect)
{
    const QRect area = rect & image.rect();
    if (area.isEmpty() || !hasValidTiles)
        return;
    for (int ty = area.top() / tile; ty <= area.bottom() / tile; ++ty)
        for (int tx = area.left() / tile; tx <= area.right() / tile; ++tx)
            valid[size_t(ty) * size_t(columns) + size_t(tx)] = false;
}

void ViewCache::Level::invalidateAll()
{
    std::fill(valid.begin(), valid.end(), false);
    hasValidTiles = false;
}

template <class Make>
void ViewCache::Level::ensure(const QRect &rect, Make make)
{
    const QRect area = rect & image.rect();
    if (area.isEmpty())
        return;
    const int left = area.left() / tile, right = area.right() / tile;
    const int top = area.top() / tile, bottom = area.bottom() / tile;
    const auto isValid = [this](int tx, int ty) { return bool(valid[size_t(ty) * size_t(columns) + size_t(tx)]); };
    const auto tiles = [this](int tx0, int ty0, int tx1, int ty1) {
        return QRect(QPoint(tx0 * tile, ty0 * tile), QPoint((tx1 + 1) * tile - 1, (ty1 + 1) * tile - 1)) & image.rect();
    };
    const auto markValid = [this](int tx0, int ty0, int tx1, int ty1) {
        for (int ty = ty0; ty <= ty1; ++ty)
            for (int tx = tx0; tx <= tx1; ++tx)
                valid[size_t(ty) * size_t(columns) + size_t(tx)] = true;
        hasValidTiles = true;
    };
    int missing = 0;
    for (int ty = top; ty <= bottom; ++ty)
        for (int tx = left; tx <= right; ++tx)
            missing += !isValid(tx, ty);
    if (missing == 0)
        return;
    // Mostly missing (a whole picture made anew: a zoom out, a picture replaced): one pass over
    // all of it, which shares its rows among the cores; remaking a valid tile gives the same
    // pixels. Otherwise (a stroke's chain of tiles) each row of tiles' runs of missing ones.
    if (2 * missing >= (right - left + 1) * (bottom - top + 1)) {
        make(tiles(left, top, right, bottom));
        markValid(left, top, right, bottom);
        return;
    }
    for (int ty = top; ty <= bottom; ++ty) {
        for (int tx = left; tx <= right; ++tx) {
            if (isValid(tx, ty))
                continue;
            int end = tx;
            while (end + 1 <= right && !isValid(end + 1, ty))
                ++end;
            make(tiles(tx, ty, end, ty));
            markValid(tx, ty, end, ty);
            tx = end;
        }
    }
}

void ViewCache::invalidate(const QRect &rect)
{
    const QRect area = rect & QRect(QPoint(0, 0), m_bitmapSize);
    if (area.isEmpty())
        return;
    for (size_t k = 0; k < m_levels.size(); ++k)
        m_levels[k].invalidate(halvedRect(area, int(k) + 1));
    if (!m_viewHasValidTiles)
        return;
    // The view pixels that read any changed pixel of their halving, one more each side.
    const QRect changed = halvedRect(area, m_viewLevel);
    const double scale = m_viewZoom * double(1 << m_viewLevel);
    const QRect view = QRect(QPoint(int(std::floor(changed.left() * scale)) - 1, int(std::floor(changed.top() * scale)) - 1),
                             QPoint(int(std::ceil((changed.right() + 1) * scale)) + 1,
                                    int(std::ceil((changed.bottom() + 1) * scale)) + 1)) &
                       QRect(QPoint(0, 0), m_viewSize);
    if (view.isEmpty())
        return;
    for (int ty = view.top() / ViewTileSize; ty <= view.bottom() / ViewTileSize; ++ty)
        for (int tx = view.left() / ViewTileSize; tx <= view.right() / ViewTileSize; ++tx)
            m_viewTiles[size_t(ty) * size_t(m_viewColumns) + size_t(tx)].valid = false;
}

void ViewCache::invalidateAll()
{
    for (Level &level : m_levels)
        level.invalidateAll();
    for (ViewTile &tile : m_viewTiles)
        tile.valid = false;
    m_viewHasValidTiles = false;
}

bool ViewCache::holdsReducedTiles() const
{
    return m_viewHasValidTiles ||
           std::any_of(m_levels.begin(), m_levels.end(), [](const Level &level) { return level.hasValidTiles; });
}

void ViewCache::resetFor(QSize bitmapSize)
{
    m_levels.clear();
    resetView(0);
    m_bitmapSize = bitmapSize;
}

void ViewCache::resetView(double zoom)
{
    for (ViewTile &tile : m_viewTiles)
        if (!tile.image.isNull() && m_spareTiles.size() < MostSpareTiles)
            m_spareTiles.push_back(std::move(tile.image));
    m_viewTiles.clear();
    m_viewHasValidTiles = false;
    m_viewZoom = zoom;
    if (zoom <= 0)
        return;
    m_viewLevel = levelFor(zoom);
    m_viewSize = Zoom::viewSize(m_bitmapSize, zoom);
    m_viewColumns = (m_viewSize.width() + ViewTileSize - 1) / ViewTileSize;
    const int rows = (m_viewSize.height() + ViewTileSize - 1) / ViewTileSize;
    m_viewTiles.resize(size_t(m_viewColumns) * size_t(rows));
}

const QImage &ViewCache::levelImage(int level) const
{
    return level == 0 ? *m_bitmap : m_levels[size_t(level) - 1].image;
}

void ViewCache::ensureLevel(int level, const QRect &rect)
{
    if (level == 0)
        return;
    // Each level is made straight from the bitmap, without keeping the levels in between, and
    // only when a view needs it.
    while (int(m_levels.size()) < level)
        m_levels.emplace_back();
    Level &made = m_levels[size_t(level) - 1];
    if (made.image.isNull()) {
        QSize size = m_bitmapSize;
        for (int k = 0; k < level; ++k)
            size = QSize((size.width() + 1) / 2, (size.height() + 1) / 2);
        made.reset(size, level);
    }
    made.ensure(rect, [&](const QRect &area) { reducePicture(*m_bitmap, made.image, area, level); });
}

QRect ViewCache::viewTileRect(int column, int row) const
{
    return QRect(column * ViewTileSize, row * ViewTileSize, ViewTileSize, ViewTileSize) & QRect(QPoint(0, 0), m_viewSize);
}

QRect ViewCache::levelRectFor(const QRect &viewArea) const
{
    const double scale = m_viewZoom * double(1 << m_viewLevel);
    return QRect(QPoint(int(std::floor(viewArea.left() / scale)), int(std::floor(viewArea.top() / scale))),
                 QPoint(int(std::ceil((viewArea.right() + 1) / scale)), int(std::ceil((viewArea.bottom() + 1) / scale))));
}

ViewCache::ViewTile &ViewCache::viewTile(int column, int row)
{
    ViewTile &tile = m_viewTiles[size_t(row) * size_t(m_viewColumns) + size_t(column)];
    if (tile.valid)
        return tile;
    if (tile.image.isNull()) {
        if (!m_spareTiles.empty()) {
            tile.image = std::move(m_spareTiles.back());
            m_spareTiles.pop_back();
        } else {
            tile.image = QImage(ViewTileSize, ViewTileSize, QImage::Format_RGB32);
        }
    }
    const QRect area = viewTileRect(column, row);
    ensureLevel(m_viewLevel, levelRectFor(area));
    shrinkToView(levelImage(m_viewLevel), m_viewZoom * double(1 << m_viewLevel), area, tile.image);
    tile.valid = true;
    m_viewHasValidTiles = true;
    return tile;
}

void ViewCache::paint(QPainter &painter, const QImage &bitmap, double zoom, const QRect &viewRect, QPoint at)
{
    if (bitmap.isNull() || viewRect.isEmpty())
        return;
    if (zoom >= 1) {
        if (m_magnified.width() < viewRect.width() || m_magnified.height() < viewRect.height())
            m_magnified = QImage(viewRect.size().expandedTo(m_magnified.size()), QImage::Format_RGB32);
        magnifyToView(bitmap, zoom, viewRect, m_magnified);
        painter.drawImage(at, m_magnified, QRect(QPoint(0, 0), viewRect.size()));
        return;
    }
    if (bitmap.size() != m_bitmapSize)
        resetFor(bitmap.size());
    if (zoom != m_viewZoom)
        resetView(zoom);
    const QRect shown = viewRect & QRect(QPoint(0, 0), m_viewSize);
    if (shown.isEmpty())
        return;
    m_bitmap = &bitmap;
    const int firstRow = shown.top() / ViewTileSize, lastRow = shown.bottom() / ViewTileSize;
    const int firstColumn = shown.left() / ViewTileSize, lastColumn = shown.right() / ViewTileSize;
    // What the shown tiles lack of their halving is made first, in one pass the cores share: a
    // picture made anew (an undo of a flip) would otherwise be halved tile by tile on one core.
    QRect lacking;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int column = firstColumn; column <= lastColumn; ++column)
            if (!m_viewTiles[size_t(row) * size_t(m_viewColumns) + size_t(column)].valid)
                lacking |= levelRectFor(viewTileRect(column, row));
    if (!lacking.isEmpty())
        ensureLevel(m_viewLevel, lacking);
    const QPoint offset = at - viewRect.topLeft();
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = firstColumn; column <= lastColumn; ++column) {
            const QRect tileRect(column * ViewTileSize, row * ViewTileSize, ViewTileSize, ViewTileSize);
            const QRect part = tileRect & shown;
            const ViewTile &tile = viewTile(column, row);
            painter.drawImage(part.topLeft() + offset, tile.image, part.translated(-tileRect.topLeft()));
        }
    }
    m_bitmap = nullptr;
}
