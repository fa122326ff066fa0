#include "document/canvasview.h"

#include "document/picturemodel.h"
#include "document/viewcache.h"
#include "imagelib/zoom.h"

#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QLocale>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

// One notch of a mouse wheel.
constexpr int WheelNotch = 120;
// Screen pixels a scrollbar arrow moves; a wheel notch moves the system's lines of these.
constexpr int ScrollStep = 20;

bool covering(const QImage &picture, QSize size)
{
    return !picture.isNull() && picture.size() == size && picture.format() == PictureFormat;
}

} // namespace

// The picture and its sunken border, moved about inside the viewport as the view scrolls. It
// takes the mouse only where the picture is, so a drag that starts beside it draws nothing.
class CanvasView::Area : public QFrame {
public:
    Area(CanvasView &view, int border) : QFrame(view.viewport()), m_view(view)
    {
        if (border > 0) {
            setFrameStyle(QFrame::Panel | QFrame::Sunken);
            setLineWidth(border);
        }
        setAttribute(Qt::WA_StaticContents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QFrame::paintEvent(event);
        QPainter painter(this);
        m_view.paintArea(painter, event->rect());
    }
    void mousePressEvent(QMouseEvent *event) override { emit m_view.mousePressed(event->position()); }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        emit m_view.pointerMoved(event->position());
        emit m_view.mouseMoved(event->position());
    }
    void mouseReleaseEvent(QMouseEvent *event) override { emit m_view.mouseReleased(event->position()); }
    void leaveEvent(QEvent *) override { emit m_view.pointerLeft(); }
    void resizeEvent(QResizeEvent *) override { m_view.layoutArea(); }

private:
    CanvasView &m_view;
};

double CanvasView::stepAbove(double zoom)
{
    for (double step : ZoomSteps)
        if (step > zoom * (1 + 1e-9))
            return step;
    return zoom;
}

double CanvasView::stepBelow(double zoom)
{
    for (auto step = ZoomSteps.rbegin(); step != ZoomSteps.rend(); ++step)
        if (*step < zoom * (1 - 1e-9))
            return *step;
    return zoom;
}

QString CanvasView::zoomText(double zoom)
{
    const double percent = zoom * 100;
    // Small levels keep a tenth (12.5 %); from 20 % on a whole number reads better (33 %, 67 %).
    QString number = percent < 20 ? QString::number(percent, 'f', 1) : QString::number(std::lround(percent));
    if (number.endsWith(QLatin1String(".0")))
        number.chop(2);
    return number + QStringLiteral(" %");
}

double CanvasView::zoomFromText(const QString &text)
{
    QString number = text.trimmed();
    if (number.endsWith(QLatin1Char('%')))
        number.chop(1);
    number = number.trimmed();
    bool ok = false;
    double percent = QLocale::c().toDouble(number, &ok);
    if (!ok)
        percent = QLocale().toDouble(number, &ok);
    if (!ok || !(percent >= MinimumZoom * 100) || !(percent <= MaximumZoom * 100))
        return 0;
    return percent / 100;
}

CanvasView::CanvasView(PictureModel &model, QWidget *parent) : QAbstractScrollArea(parent), m_model(&model)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    // Around a picture smaller than its window the window's own colour shows, as it always has.
    viewport()->setBackgroundRole(QPalette::Window);
    m_area = new Area(*this, model.border());
    m_area->move(0, 0);
    m_area->show();
    connect(&model, &PictureModel::changed, this, &CanvasView::showChanged);
    connect(&model, &PictureModel::changedEverywhere, this, &CanvasView::showChangedEverywhere);
    connect(&model, &PictureModel::pictureReplaced, this, &CanvasView::showReplaced);
    connect(&model, &PictureModel::resized, this, &CanvasView::sizeArea);
    sizeArea();
}

CanvasView::~CanvasView() = default;

QWidget *CanvasView::pictureArea() const
{
    return m_area;
}

void CanvasView::setPointer(const QCursor &pointer)
{
    m_area->setCursor(pointer);
}

QSize CanvasView::shownSize() const
{
    const QSize inner = m_model->size();
    return m_zoom == 1 ? inner : Zoom::viewSize(inner, m_zoom);
}

void CanvasView::sizeArea()
{
    const int border = m_model->border();
    m_area->resize(m_zoom == 1 ? m_model->outerSize() : shownSize() + QSize(2 * border, 2 * border));
    m_area->update();
}

void CanvasView::paintArea(QPainter &painter, const QRect &rect)
{
    const int border = m_model->border();
    const QRect inner(QPoint(border, border), shownSize());
    const QRect area = rect & inner;
    if (area.isEmpty())
        return;
    const QImage &bitmap = m_model->bitmapForRead();
    if (bitmap.isNull()) {
        painter.fillRect(area, toQColor(m_model->backgroundColour()));
        return;
    }
    if (m_zoom == 1) {
        painter.drawImage(area.topLeft(), bitmap, area.translated(-border, -border));
        return;
    }
    m_cache->paint(painter, bitmap, m_zoom, area.translated(-border, -border), area.topLeft());
}

void CanvasView::showChanged(const QRect &rect)
{
    if (m_cache)
        m_cache->invalidate(rect);
    const int border = m_model->border();
    m_area->update((m_zoom == 1 ? rect : Zoom::viewRect(rect, m_zoom)).translated(border, border));
}

void CanvasView::showChangedEverywhere()
{
    if (m_cache)
        m_cache->invalidateAll();
    m_area->update();
}

void CanvasView::showReplaced(const QImage &before)
{
    // While the reduced view is on screen, finding the difference reads both pictures once, where
    // rebuilding the view would read the new one and more. At other zooms the reduced copies wait
    // to be rebuilt where they are shown next.
    const QImage now = m_model->picture();
    const QSize size = m_model->size();
    if (m_cache && m_zoom < 1 && m_cache->holdsReducedTiles() && covering(before, size) && covering(now, size))
        showChanged(differingRect(before, now));
    else
        showChangedEverywhere();
}

QPointF CanvasView::picturePositionAt(QPointF areaPosition) const
{
    const int border = m_model->border();
    const QPointF at = areaPosition - QPointF(border, border);
    if (m_zoom == 1)
        return at;
    return QPointF(Zoom::pictureCoordinate(at.x(), m_zoom), Zoom::pictureCoordinate(at.y(), m_zoom));
}

QPoint CanvasView::scrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void CanvasView::setScrollPosition(QPoint position)
{
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void CanvasView::setZoom(double zoom, QPointF anchor)
{
    zoom = std::clamp(zoom, MinimumZoom, MaximumZoom);
    if (!m_zoomable || zoom == m_zoom)
        return;
    const QPointF border(m_model->border(), m_model->border());
    const QPointF picturePoint = (anchor + QPointF(scrollPosition()) - border) / m_zoom;
    m_zoom = zoom;
    // Once made, the reduced copies stay with the view: zooming out again needs only the tiles it
    // shows anew.
    if (!m_cache)
        m_cache = std::make_unique<ViewCache>();
    sizeArea();
    layoutArea();
    setScrollPosition((picturePoint * zoom + border - anchor).toPoint());
    emit zoomChanged(zoom);
    reportPointerAfterViewChange();
}

void CanvasView::setZoom(double zoom)
{
    setZoom(zoom, QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
}

void CanvasView::zoomIn()
{
    setZoom(stepAbove(zoom()));
}

void CanvasView::zoomOut()
{
    setZoom(stepBelow(zoom()));
}

double CanvasView::fitZoom() const
{
    const QSize inner = m_model->size();
    if (inner.isEmpty())
        return 1;
    const int border = m_model->border();
    const QSize area = maximumViewportSize() - QSize(2 * border, 2 * border);
    const double zoom = std::min(double(area.width()) / inner.width(), double(area.height()) / inner.height());
    return std::clamp(zoom, MinimumZoom, MaximumZoom);
}

void CanvasView::zoomToFit()
{
    setZoom(fitZoom());
    setScrollPosition(QPoint(0, 0));
}

void CanvasView::zoomToActualSize()
{
    setZoom(1);
}

void CanvasView::showWhole()
{
    setZoom(std::min(1.0, fitZoom()));
    setScrollPosition(QPoint(0, 0));
}

void CanvasView::layoutArea()
{
    const QSize areaSize = m_area->size();
    // A picture that fits once the scrollbars are gone needs none, whatever shows at the moment.
    QSize room = viewport()->size();
    if (const QSize most = maximumViewportSize(); areaSize.width() <= most.width() && areaSize.height() <= most.height())
        room = most;
    QScrollBar *horizontal = horizontalScrollBar();
    QScrollBar *vertical = verticalScrollBar();
    horizontal->setRange(0, std::max(0, areaSize.width() - room.width()));
    horizontal->setPageStep(room.width());
    horizontal->setSingleStep(ScrollStep);
    vertical->setRange(0, std::max(0, areaSize.height() - room.height()));
    vertical->setPageStep(room.height());
    vertical->setSingleStep(ScrollStep);
    m_area->move(-horizontal->value(), -vertical->value());
}

void CanvasView::resizeEvent(QResizeEvent *)
{
    layoutArea();
}

void CanvasView::scrollContentsBy(int, int)
{
    m_area->move(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    reportPointerAfterViewChange();
}

void CanvasView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
        if (!m_zoomable)
            return;
        m_wheelZoomAngle += angle.y() != 0 ? angle.y() : angle.x();
        for (; m_wheelZoomAngle >= WheelNotch; m_wheelZoomAngle -= WheelNotch)
            setZoom(stepAbove(zoom()), event->position());
        for (; m_wheelZoomAngle <= -WheelNotch; m_wheelZoomAngle += WheelNotch)
            setZoom(stepBelow(zoom()), event->position());
        return;
    }
    // Touchpads report pixels; a wheel notch scrolls the system's number of lines.
    const QPoint pixels = !event->pixelDelta().isNull()
                              ? event->pixelDelta()
                              : angle * (QApplication::wheelScrollLines() * ScrollStep) / WheelNotch;
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || (angle.y() == 0 && angle.x() != 0);
    QScrollBar *bar = sideways ? horizontalScrollBar() : verticalScrollBar();
    if (bar->maximum() == bar->minimum()) {
        // A picture that fits leaves the wheel to the workspace around the window, as it always did.
        event->ignore();
        return;
    }
    bar->setValue(bar->value() - (sideways && pixels.x() != 0 ? pixels.x() : pixels.y()));
}

void CanvasView::reportPointerAfterViewChange()
{
    // The pointer stayed where it was; the picture under it moved.
    if (m_area->underMouse())
        emit pointerMoved(m_area->mapFromGlobal(QCursor::pos()));
}

std::optional<QPoint> CanvasView::picturePixelAt(QPointF areaPosition) const
{
    const QPointF at = picturePositionAt(areaPosition);
    const QPoint pixel(int(std::floor(at.x())), int(std::floor(at.y())));
    if (!QRect(QPoint(0, 0), m_model->size()).contains(pixel))
        return std::nullopt;
    return pixel;
}
