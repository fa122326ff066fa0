#include "document/picturebox.h"

#include "document/dc.h"
#include "document/screen.h"
#include "document/viewcache.h"
#include "imagelib/picturememory.h"
#include "imagelib/units.h"
#include "imagelib/zoom.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <cstring>

PictureBox::PictureBox(QWidget *parent, int border) : QFrame(parent), m_border(border)
{
    if (border > 0) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(border);
    }
    setAttribute(Qt::WA_StaticContents);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setOuterSizePixels(QSize(2 * border + 1, 2 * border + 1));
}

PictureBox::~PictureBox() = default;

void PictureBox::setPicture(const QImage &picture)
{
    // Storing the bitmap itself (a commit does) leaves the bitmap as it is: it already shows the
    // picture, and the two share their pixels until the next drawing.
    const bool storesTheBitmap = !picture.isNull() && !m_bitmapStale && picture.cacheKey() == m_image.cacheKey();
    if (!storesTheBitmap)
        showPictureReplacing(picture);
    m_picture = picture;
    m_drawn = QRect();
    if (storesTheBitmap) {
        update();
        emit pictureChanged();
        return;
    }
    // The old bitmap is worth keeping only as a buffer to draw a picture that does not cover the
    // surface into, and only if nobody else holds its pixels; otherwise it goes back to the
    // picture memory now.
    const bool covers = !picture.isNull() && picture.format() == PictureFormat;
    if (covers || !m_image.isDetached())
        m_image = QImage();
    m_bitmapStale = true;
    bool sizeChanged = false;
    if (!picture.isNull() && picture.size() != m_inner) {
        m_inner = picture.size();
        m_outer = m_inner + QSize(2 * m_border, 2 * m_border);
        resizeToView();
        sizeChanged = true;
    }
    update();
    if (sizeChanged)
        emit resized();
    emit pictureChanged();
}

void PictureBox::setPicture(const QImage &picture, const QList<QRect> &differsWithin)
{
    const auto covers = [this](const QImage &image) {
        return !image.isNull() && image.size() == m_inner && image.format() == PictureFormat;
    };
    if (m_bitmapStale || !m_image.isDetached() || !covers(m_picture) || !covers(picture))
        return setPicture(picture);
    const QRect drawn = m_drawn;
    m_picture = picture;
    m_drawn = QRect();
    restoreRect(drawn);
    showChanged(drawn);
    for (const QRect &rect : differsWithin) {
        restoreRect(rect);
        showChanged(rect);
    }
    emit pictureChanged();
}

QImage PictureBox::image()
{
    if (!ensureBitmap())
        reportOutOfMemory(m_inner);
    return m_image;
}

void PictureBox::cls()
{
    if (m_bitmapStale)
        return;
    if (!m_drawn.isEmpty()) {
        const QRect rect = m_drawn;
        restoreRect(rect);
        m_drawn = QRect();
        showChanged(rect);
    }
}

Dc PictureBox::dc()
{
    return Dc(this);
}

void PictureBox::refresh()
{
    if (isVisible())
        repaint();
}

QRect PictureBox::penBounds(QPointF a, QPointF b, double extra) const
{
    const double reach = m_drawWidth / 2.0 + extra + 2;
    return QRectF(a, b).normalized().adjusted(-reach, -reach, reach, reach).toAlignedRect();
}

void PictureBox::drawWith(const QRect &bounds, const std::function<void(QPainter &)> &paint)
{
    const QRect clipped = bounds & QRect(QPoint(0, 0), m_inner);
    if (clipped.isEmpty())
        return;
    QImage &image = bitmapForWrite();
    if (image.isNull())
        return;
    QPainter painter(&image);
    painter.setClipRect(clipped);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // A coordinate names a pixel: shapes are centred on the pixel's middle.
    painter.translate(0.5, 0.5);
    paint(painter);
    painter.end();
    markDrawn(clipped);
}

void PictureBox::line(QPointF from, QPointF to, Colour colour)
{
    m_current = to;
    const QColor qcolour = toQColor(colour);
    const int width = m_drawWidth;
    drawWith(penBounds(from, to, 0), [&](QPainter &painter) {
        if (from == to) {
            // A line of no length is a dot of the pen width: the pixels whose middles lie within
            // half the width of the point, so the dot is as round and symmetric as pixels allow.
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
}

void PictureBox::lineTo(QPointF to, Colour colour)
{
    line(m_current, to, colour);
}

void PictureBox::circle(QPointF centre, double radius, Colour colour)
{
    if (!(radius > 0))
        return;
    const QColor qcolour = toQColor(colour);
    const int width = m_drawWidth;
    const QPointF corner(radius, radius);
    drawWith(penBounds(centre - corner, centre + corner, 0), [&](QPainter &painter) {
        painter.setPen(QPen(qcolour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, radius, radius);
    });
    m_current = centre;
}

void PictureBox::fillBox(QPointF corner1, QPointF corner2, Colour colour)
{
    const QRectF box = QRectF(corner1, corner2).normalized();
    const QRect pixels(QPoint(roundEven(box.left()), roundEven(box.top())),
                       QPoint(roundEven(box.right()), roundEven(box.bottom())));
    const QColor qcolour = toQColor(colour);
    drawWith(pixels, [&](QPainter &painter) { painter.fillRect(QRectF(pixels).translated(-0.5, -0.5), qcolour); });
    m_current = corner2;
}

void PictureBox::setDrawWidth(int width)
{
    m_drawWidth = qMax(1, width);
}

void PictureBox::setBackColour(Colour colour)
{
    m_backColour = colour;
    if (!m_image.isDetached())
        m_image = QImage();
    m_bitmapStale = true;
    m_drawn = QRect();
    showChangedEverywhere();
}

double PictureBox::widthTwips() const
{
    return m_outer.width() * Screen::TwipsPerPixelX;
}

double PictureBox::heightTwips() const
{
    return m_outer.height() * Screen::TwipsPerPixelY;
}

void PictureBox::setWidthTwips(double twips)
{
    setOuterSizePixels(QSize(roundEven(twips / Screen::TwipsPerPixelX), m_outer.height()));
}

void PictureBox::setHeightTwips(double twips)
{
    setOuterSizePixels(QSize(m_outer.width(), roundEven(twips / Screen::TwipsPerPixelY)));
}

bool PictureBox::setSizeTwips(double widthTwips, double heightTwips)
{
    return setOuterSizePixels(
        QSize(roundEven(widthTwips / Screen::TwipsPerPixelX), roundEven(heightTwips / Screen::TwipsPerPixelY)));
}

bool PictureBox::setOuterSizePixels(QSize outer)
{
    outer = outer.expandedTo(QSize(0, 0));
    if (outer == m_outer)
        return true;
    const bool first = !m_outer.isValid();
    // Without the memory for the new bitmap the surface keeps its size and its pixels.
    if (!resizeInner((outer - QSize(2 * m_border, 2 * m_border)).expandedTo(QSize(0, 0)), !first))
        return false;
    m_outer = outer;
    resizeToView();
    if (!first)
        emit resized();
    return true;
}

bool PictureBox::resizeInner(QSize inner, bool keepPixels)
{
    if (inner == m_inner)
        return true;
    if (!keepPixels || inner.isEmpty()) {
        m_inner = inner;
        m_image = QImage();
        m_bitmapStale = true;
        m_drawn = QRect();
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
    resized.fill(toQColor(m_backColour));
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
    m_drawn = QRect(QPoint(0, 0), inner);
    showChangedEverywhere();
    return true;
}

QImage &PictureBox::pictureForWrite()
{
    m_image = QImage();
    m_bitmapStale = true;
    m_drawn = QRect();
    showChangedEverywhere();
    if (!detachPicture(m_picture)) {
        reportOutOfMemory(m_picture.size());
        return unwritable();
    }
    return m_picture;
}

const QImage &PictureBox::bitmapForRead()
{
    ensureBitmap();
    return m_image;
}

QImage &PictureBox::bitmapForWrite()
{
    if (!ensureBitmap() || !detachPicture(m_image)) {
        reportOutOfMemory(m_inner);
        return unwritable();
    }
    return m_image;
}

QImage &PictureBox::bitmapForRewrite()
{
    if (!ensureBitmap()) {
        reportOutOfMemory(m_inner);
        return unwritable();
    }
    return m_image;
}

void PictureBox::replaceBitmap(const QImage &bitmap)
{
    if (bitmap.size() != m_inner || bitmap.format() != PictureFormat)
        return;
    m_image = bitmap;
    m_bitmapStale = false;
    markDrawn(QRect(QPoint(0, 0), m_inner));
}

QImage &PictureBox::unwritable()
{
    m_unwritable = QImage();
    return m_unwritable;
}

void PictureBox::reportOutOfMemory(QSize size)
{
    emit outOfMemory(size);
}

void PictureBox::markDrawn(const QRect &rect)
{
    const QRect clipped = rect & QRect(QPoint(0, 0), m_inner);
    if (clipped.isEmpty())
        return;
    m_drawn |= clipped;
    showChanged(clipped);
}

void PictureBox::showChanged(const QRect &rect)
{
    if (m_viewCache)
        m_viewCache->invalidate(rect);
    if (m_zoom == 1)
        update(rect.translated(m_border, m_border));
    else
        update(Zoom::viewRect(rect, m_zoom).translated(m_border, m_border));
}

void PictureBox::showChangedEverywhere()
{
    if (m_viewCache)
        m_viewCache->invalidateAll();
    update();
}

void PictureBox::showPictureReplacing(const QImage &picture)
{
    if (!m_viewCache)
        return;
    // While the reduced view is on screen, finding the difference reads both pictures once, where
    // rebuilding the view would read the new one and more; a commit stores the picture it just
    // wrote, and nothing is shown anew then. At other zooms the reduced copies wait to be rebuilt
    // where they are shown next.
    auto covers = [this](const QImage &p) { return !p.isNull() && p.size() == m_inner && p.format() == PictureFormat; };
    const QImage &shown = m_bitmapStale ? m_picture : m_image;
    if (m_zoom < 1 && m_viewCache->holdsReducedTiles() && covers(picture) && covers(shown))
        m_viewCache->invalidate(differingRect(shown, picture));
    else
        m_viewCache->invalidateAll();
}

void PictureBox::setZoom(double zoom)
{
    if (!(zoom > 0) || zoom == m_zoom)
        return;
    m_zoom = zoom;
    // Once made, the reduced copies stay with the surface: zooming out again needs only the
    // tiles it shows anew.
    if (!m_viewCache)
        m_viewCache = std::make_unique<ViewCache>();
    resizeToView();
    update();
}

void PictureBox::resizeToView()
{
    if (m_zoom == 1)
        QFrame::resize(m_outer);
    else
        QFrame::resize(Zoom::viewSize(m_inner, m_zoom) + QSize(2 * m_border, 2 * m_border));
}

bool PictureBox::ensureBitmap()
{
    return !m_bitmapStale || rebuildBitmap();
}

static bool reusable(const QImage &image, QSize size)
{
    return !image.isNull() && image.isDetached() && image.size() == size && image.format() == PictureFormat;
}

// False when the bitmap is due but there is no memory for it: it stays due, and the surface
// shows its background meanwhile.
bool PictureBox::rebuildBitmap()
{
    m_drawn = QRect();
    if (m_inner.isEmpty()) {
        m_image = QImage();
        m_bitmapStale = false;
        return true;
    }
    const bool pictureCovers = !m_picture.isNull() && m_picture.size() == m_inner && m_picture.format() == PictureFormat;
    if (pictureCovers) {
        // Shared until something draws: only then is a copy made, in reused memory, and a surface
        // that is only read (the snapshot) never makes one.
        m_bitmapStale = false;
        m_image = m_picture;
        return true;
    }
    if (!reusable(m_image, m_inner)) {
        m_image = newPicture(m_inner);
        if (m_image.isNull())
            return false;
    }
    m_bitmapStale = false;
    restoreRect(QRect(QPoint(0, 0), m_inner));
    return true;
}

void PictureBox::restoreRect(const QRect &area)
{
    const QRect rect = area & QRect(QPoint(0, 0), m_inner);
    if (rect.isEmpty() || m_image.isNull())
        return;
    if (!detachPicture(m_image)) {
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
    painter.fillRect(rect, toQColor(m_backColour));
    if (!pictureRect.isEmpty())
        painter.drawImage(pictureRect.topLeft(), m_picture, pictureRect);
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QSize shown = m_zoom == 1 ? m_inner : Zoom::viewSize(m_inner, m_zoom);
    const QRect inner(QPoint(m_border, m_border), shown);
    const QRect area = event->rect() & inner;
    if (area.isEmpty())
        return;
    if (!ensureBitmap() || m_image.isNull()) {
        painter.fillRect(area, toQColor(m_backColour));
        return;
    }
    if (m_zoom == 1) {
        painter.drawImage(area.topLeft(), m_image, area.translated(-m_border, -m_border));
        return;
    }
    m_viewCache->paint(painter, m_image, m_zoom, area.translated(-m_border, -m_border), area.topLeft());
}

QPointF PictureBox::bitmapPositionAt(QPointF widgetPosition) const
{
    const QPointF at = widgetPosition - QPointF(m_border, m_border);
    if (m_zoom == 1)
        return at;
    return QPointF(Zoom::pictureCoordinate(at.x(), m_zoom), Zoom::pictureCoordinate(at.y(), m_zoom));
}

void PictureBox::mousePressEvent(QMouseEvent *event)
{
    const QPointF at = bitmapPositionAt(event->position());
    emit mousePressed(float(at.x()), float(at.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF at = bitmapPositionAt(event->position());
    emit mouseMoved(float(at.x()), float(at.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent *event)
{
    const QPointF at = bitmapPositionAt(event->position());
    emit mouseReleased(float(at.x()), float(at.y()));
}
