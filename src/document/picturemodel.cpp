#include "document/picturemodel.h"

#include "imagelib/picturememory.h"
#include "imagelib/raster.h"
#include "imagelib/units.h"

#include <QPainter>
#include <cmath>
#include <cstring>

PictureModel::PictureModel(int border, QSize outer, QObject *parent)
    : QObject(parent), m_border(border), m_outer(outer.expandedTo(QSize(0, 0))),
      m_inner((m_outer - QSize(2 * border, 2 * border)).expandedTo(QSize(0, 0)))
{
    m_drawn.reset(m_inner);
}

bool PictureModel::covers(const QImage &picture) const
{
    return !picture.isNull() && picture.size() == m_inner && picture.format() == PictureFormat;
}

void PictureModel::setPicture(const QImage &picture)
{
    // Storing the bitmap itself (a commit does) leaves the bitmap as it is: it already shows the
    // picture, and the two share their pixels until the next drawing.
    if (!picture.isNull() && !m_bitmapStale && picture.cacheKey() == m_image.cacheKey()) {
        // The bitmap was the stored picture with drawing over it, where that one covered it.
        m_lastChange = covers(m_picture) ? PictureChange{m_picture.cacheKey(), m_drawn.rects()} : PictureChange{};
        m_picture = picture;
        m_drawn.reset(m_inner);
        emit pictureChanged();
        return;
    }
    replacePicture(picture, PictureChange{}, nullptr);
}

void PictureModel::replacePicture(const QImage &picture, const PictureChange &change, const QList<QRect> *shownChanges)
{
    // The old bitmap is worth keeping only as a buffer to draw a picture that does not cover the
    // surface into, and only if nobody else holds its pixels; otherwise it goes back to the
    // picture memory now.
    const bool pictureCovers = !picture.isNull() && picture.format() == PictureFormat;
    const bool keepBuffer = !pictureCovers && m_image.isDetached();
    const QImage before = m_bitmapStale ? m_picture : m_image;
    m_lastChange = change;
    m_picture = picture;
    if (!keepBuffer)
        m_image = QImage();
    m_bitmapStale = true;
    bool sizeChanged = false;
    if (!picture.isNull() && picture.size() != m_inner) {
        m_inner = picture.size();
        m_outer = m_inner + QSize(2 * m_border, 2 * m_border);
        sizeChanged = true;
    }
    m_drawn.reset(m_inner);
    if (shownChanges && !sizeChanged) {
        for (const QRect &rect : *shownChanges)
            emit changed(rect);
    } else {
        emit pictureReplaced(before);
    }
    if (sizeChanged)
        emit resized();
    emit pictureChanged();
}

void PictureModel::setPicture(const QImage &picture, const QList<QRect> &differsWithin)
{
    if (!covers(m_picture) || !covers(picture))
        return setPicture(picture);
    if (m_bitmapStale || !m_image.isDetached()) {
        // The bitmap cannot be brought back in place (others hold its pixels): it is made anew,
        // but what it showed differs from the new picture only where it was drawn on and where
        // the pictures differ.
        const QList<QRect> shownChanges = m_drawn.rects() + differsWithin;
        return replacePicture(picture, PictureChange{m_picture.cacheKey(), differsWithin}, &shownChanges);
    }
    const QList<QRect> drawn = m_drawn.rects();
    m_lastChange = PictureChange{m_picture.cacheKey(), differsWithin};
    m_picture = picture;
    m_drawn.reset(m_inner);
    restoreRects(drawn + differsWithin);
    emit pictureChanged();
}

QImage PictureModel::image()
{
    if (!ensureBitmap())
        reportOutOfMemory(m_inner);
    return m_image;
}

void PictureModel::eraseDrawing()
{
    if (m_bitmapStale || m_drawn.isEmpty())
        return;
    const QList<QRect> drawn = m_drawn.rects();
    m_drawn.reset(m_inner);
    restoreRects(drawn);
}

void PictureModel::restoreRects(const QList<QRect> &rects)
{
    // Told all of them at once, the picture memory copies a shared bitmap whole where they cover
    // much of it; rectangle by rectangle, it would clone it for the first and then copy nearly
    // every page on its first write.
    if (!m_image.isNull())
        detachPicture(m_image, rects);
    for (const QRect &rect : rects) {
        restoreRect(rect);
        emit changed(rect);
    }
}

namespace {

// Drawn area is marked along a path in pieces no longer than this, so that a long line or a large
// circle marks the tiles it crosses rather than its whole bounding box.
constexpr double MarkStep = 32;

} // namespace

QRect PictureModel::penBounds(QPointF a, QPointF b, double extra) const
{
    const double reach = m_penWidth / 2.0 + 2 + extra;
    return QRectF(a, b).normalized().adjusted(-reach, -reach, reach, reach).toAlignedRect();
}

void PictureModel::markPath(const QList<QPointF> &path, double extra)
{
    for (qsizetype i = 0; i + 1 < path.size(); ++i)
        markDrawn(penBounds(path[i], path[i + 1], extra));
}

template <class Paint>
bool PictureModel::drawWith(const QRect &bounds, Paint paint)
{
    const QRect clipped = bounds & QRect(QPoint(0, 0), m_inner);
    if (clipped.isEmpty())
        return false;
    QImage &image = bitmapForWrite(clipped);
    if (image.isNull())
        return false;
    QPainter painter(&image);
    painter.setClipRect(clipped);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A coordinate names a pixel: shapes are centred on the pixel's middle.
    painter.translate(0.5, 0.5);
    paint(painter);
    painter.end();
    return true;
}

void PictureModel::line(QPointF from, QPointF to, Colour colour)
{
    m_penPosition = to;
    const QColor qcolour = toQColor(colour);
    const int width = m_penWidth;
    const bool drawn = drawWith(penBounds(from, to), [&](QPainter &painter) {
        if (from == to) {
            // A dot is the pixels whose middles lie within half the width of the point, so that it
            // is as round and symmetric as pixels allow.
            const int cx = roundEven(from.x());
            const int cy = roundEven(from.y());
            const double radius = qMax(width, 1) / 2.0;
            const int reach = int(radius);
            for (int dy = -reach; dy <= reach; ++dy) {
                const double half = std::sqrt(qMax(0.0, radius * radius - double(dy) * dy));
                const int dx = int(half);
                painter.fillRect(QRectF(cx - dx - 0.5, cy + dy - 0.5, 2 * dx + 1, 1), qcolour);
            }
            return;
        }
        painter.setPen(QPen(qcolour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.drawLine(from, to);
    });
    if (!drawn)
        return;
    const int pieces = qMax(1, int(std::ceil(QLineF(from, to).length() / MarkStep)));
    QList<QPointF> path;
    for (int i = 0; i <= pieces; ++i)
        path << from + (to - from) * (double(i) / pieces);
    markPath(path, 0);
}

void PictureModel::lineTo(QPointF to, Colour colour)
{
    line(m_penPosition, to, colour);
}

void PictureModel::circle(QPointF centre, double radius, Colour colour)
{
    if (!(radius > 0))
        return;
    const QColor qcolour = toQColor(colour);
    const int width = m_penWidth;
    const QPointF corner(radius, radius);
    const QRect bounds = penBounds(centre - corner, centre + corner);
    const bool drawn = drawWith(bounds, [&](QPainter &painter) {
        painter.setPen(QPen(qcolour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius, radius);
    });
    m_penPosition = centre;
    if (!drawn)
        return;
    // Around the outline in chords, each widened by how far the arc strays from it.
    const int chords = int(std::ceil(2 * M_PI * radius / MarkStep));
    if (chords < 8) {
        markDrawn(bounds);
        return;
    }
    const double sagitta = radius * (1 - std::cos(M_PI / chords)) + 1;
    QList<QPointF> path;
    for (int i = 0; i <= chords; ++i) {
        const double angle = 2 * M_PI * i / chords;
        path << centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    }
    markPath(path, sagitta);
}

std::optional<Colour> PictureModel::pixel(int x, int y)
{
    return pixelAt(bitmapForRead(), x, y);
}

void PictureModel::setPenWidth(int width)
{
    m_penWidth = qMax(1, width);
}

void PictureModel::setBackgroundColour(Colour colour)
{
    m_background = colour;
    if (!m_image.isDetached())
        m_image = QImage();
    m_bitmapStale = true;
    m_drawn.reset(m_inner);
    emit changedEverywhere();
}

bool PictureModel::setOuterSize(QSize outer)
{
    outer = outer.expandedTo(QSize(0, 0));
    if (outer == m_outer)
        return true;
    // Without the memory for the new bitmap the model keeps its size and its pixels.
    if (!resizeInner((outer - QSize(2 * m_border, 2 * m_border)).expandedTo(QSize(0, 0))))
        return false;
    m_outer = outer;
    emit resized();
    return true;
}

bool PictureModel::resizeInner(QSize inner)
{
    if (inner == m_inner)
        return true;
    if (inner.isEmpty()) {
        m_inner = inner;
        m_image = QImage();
        m_bitmapStale = true;
        m_drawn.reset(m_inner);
        emit changedEverywhere();
        return true;
    }
    if (!ensureBitmap()) {
        reportOutOfMemory(m_inner);
        return false;
    }
    QImage resized = newPicture(inner);
    if (resized.isNull()) {
        reportOutOfMemory(inner);
        return false;
    }
    resized.fill(toQColor(m_background));
    if (!m_image.isNull()) {
        const int rows = qMin(inner.height(), m_image.height());
        const qsizetype bytes = qsizetype(qMin(inner.width(), m_image.width())) * 3;
        for (int y = 0; y < rows; ++y)
            std::memcpy(resized.scanLine(y), m_image.constScanLine(y), size_t(bytes));
    }
    m_inner = inner;
    m_image = resized;
    m_bitmapStale = false;
    // The bitmap no longer equals the stored picture anywhere we could vouch for.
    m_drawn.fill(inner);
    emit changedEverywhere();
    return true;
}

QImage &PictureModel::pictureForWrite()
{
    m_image = QImage();
    m_bitmapStale = true;
    m_drawn.reset(m_inner);
    emit changedEverywhere();
    if (!detachPicture(m_picture)) {
        reportOutOfMemory(m_picture.size());
        return unwritable();
    }
    return m_picture;
}

const QImage &PictureModel::bitmapForRead()
{
    ensureBitmap();
    return m_image;
}

QImage &PictureModel::bitmapForWrite(const QRect &where)
{
    // Told where the write goes, the picture memory copies only that much of shared pixels, or
    // the whole picture when that is cheaper.
    if (!ensureBitmap() || !(where.isEmpty() ? detachPicture(m_image) : detachPicture(m_image, {where}))) {
        reportOutOfMemory(m_inner);
        return unwritable();
    }
    return m_image;
}

QImage &PictureModel::bitmapForRewrite()
{
    if (!ensureBitmap()) {
        reportOutOfMemory(m_inner);
        return unwritable();
    }
    return m_image;
}

void PictureModel::replaceBitmap(const QImage &bitmap)
{
    if (bitmap.size() != m_inner || bitmap.format() != PictureFormat)
        return;
    m_image = bitmap;
    m_bitmapStale = false;
    markDrawn(QRect(QPoint(0, 0), m_inner));
}

QImage &PictureModel::unwritable()
{
    m_unwritable = QImage();
    return m_unwritable;
}

void PictureModel::reportOutOfMemory(QSize size)
{
    emit outOfMemory(size);
}

void PictureModel::markDrawn(const QRect &rect)
{
    const QRect clipped = rect & QRect(QPoint(0, 0), m_inner);
    if (clipped.isEmpty())
        return;
    m_drawn.add(clipped);
    emit changed(clipped);
}

bool PictureModel::ensureBitmap()
{
    return !m_bitmapStale || rebuildBitmap();
}

// False when the bitmap is due but there is no memory for it: it stays due, and a view shows the
// background meanwhile.
bool PictureModel::rebuildBitmap()
{
    m_drawn.reset(m_inner);
    if (m_inner.isEmpty()) {
        m_image = QImage();
        m_bitmapStale = false;
        return true;
    }
    if (covers(m_picture)) {
        // Shared until something draws: only then is a copy made, in reused memory, and a model
        // that is only read (the snapshot) never makes one.
        m_bitmapStale = false;
        m_image = m_picture;
        return true;
    }
    const bool reusable = !m_image.isNull() && m_image.isDetached() && m_image.size() == m_inner
                          && m_image.format() == PictureFormat;
    if (!reusable) {
        m_image = newPicture(m_inner);
        if (m_image.isNull())
            return false;
    }
    m_bitmapStale = false;
    restoreRect(QRect(QPoint(0, 0), m_inner));
    return true;
}

void PictureModel::restoreRect(const QRect &area)
{
    const QRect rect = area & QRect(QPoint(0, 0), m_inner);
    if (rect.isEmpty() || m_image.isNull())
        return;
    if (!detachPicture(m_image, {rect})) {
        reportOutOfMemory(m_inner);
        return;
    }
    const QRect pictureRect = m_picture.isNull() ? QRect() : (rect & m_picture.rect());
    if (pictureRect == rect && m_picture.format() == PictureFormat) {
        const qsizetype offset = qsizetype(rect.left()) * 3;
        const size_t bytes = size_t(rect.width()) * 3;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            std::memcpy(m_image.scanLine(y) + offset, m_picture.constScanLine(y) + offset, bytes);
        return;
    }
    QPainter painter(&m_image);
    painter.setClipRect(rect);
    painter.fillRect(rect, toQColor(m_background));
    if (!pictureRect.isEmpty())
        painter.drawImage(pictureRect.topLeft(), m_picture, pictureRect);
}
