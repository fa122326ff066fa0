#include "document/canvasview.h"

#include "document/picturebox.h"

#include <QApplication>
#include <QCursor>
#include <QLocale>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace {

// One notch of a mouse wheel.
constexpr int WheelNotch = 120;
// Screen pixels a scrollbar arrow moves; a wheel notch moves the system's lines of these.
constexpr int ScrollStep = 20;

} // namespace

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

CanvasView::CanvasView(PictureBox *canvas, QWidget *parent) : QAbstractScrollArea(parent), m_canvas(canvas)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    // Around a canvas smaller than its window the window's own colour shows, as it always has.
    viewport()->setBackgroundRole(QPalette::Window);
    canvas->setParent(viewport());
    canvas->move(0, 0);
    canvas->show();
    canvas->installEventFilter(this);
    layoutCanvas();
}

double CanvasView::zoom() const
{
    return m_canvas->zoom();
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
    const double old = m_canvas->zoom();
    if (zoom == old)
        return;
    const QPointF border(m_canvas->frameWidth(), m_canvas->frameWidth());
    const QPointF picturePoint = (anchor + QPointF(scrollPosition()) - border) / old;
    m_canvas->setZoom(zoom);
    layoutCanvas();
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
    const QSize inner = m_canvas->innerSize();
    if (inner.isEmpty())
        return 1;
    const QSize area = maximumViewportSize() - QSize(2 * m_canvas->frameWidth(), 2 * m_canvas->frameWidth());
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

void CanvasView::layoutCanvas()
{
    const QSize canvasSize = m_canvas->size();
    // A canvas that fits once the scrollbars are gone needs none, whatever shows at the moment.
    QSize area = viewport()->size();
    if (const QSize most = maximumViewportSize(); canvasSize.width() <= most.width() && canvasSize.height() <= most.height())
        area = most;
    QScrollBar *horizontal = horizontalScrollBar();
    QScrollBar *vertical = verticalScrollBar();
    horizontal->setRange(0, std::max(0, canvasSize.width() - area.width()));
    horizontal->setPageStep(area.width());
    horizontal->setSingleStep(ScrollStep);
    vertical->setRange(0, std::max(0, canvasSize.height() - area.height()));
    vertical->setPageStep(area.height());
    vertical->setSingleStep(ScrollStep);
    m_canvas->move(-horizontal->value(), -vertical->value());
}

void CanvasView::resizeEvent(QResizeEvent *)
{
    layoutCanvas();
}

void CanvasView::scrollContentsBy(int, int)
{
    m_canvas->move(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    reportPointerAfterViewChange();
}

void CanvasView::wheelEvent(QWheelEvent *event)
{
    event->accept();
    const QPoint angle = event->angleDelta();
    if (event->modifiers() & Qt::ControlModifier) {
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
        // A canvas that fits leaves the wheel to the workspace around the window, as it always did.
        event->ignore();
        return;
    }
    bar->setValue(bar->value() - (sideways && pixels.x() != 0 ? pixels.x() : pixels.y()));
}

bool CanvasView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas) {
        switch (event->type()) {
        case QEvent::Resize:
            layoutCanvas();
            break;
        case QEvent::MouseMove:
            reportPointer(static_cast<QMouseEvent *>(event)->position());
            break;
        case QEvent::Leave:
            emit pointerLeft();
            break;
        default:
            break;
        }
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void CanvasView::reportPointerAfterViewChange()
{
    // The pointer stayed where it was; the picture under it moved.
    if (m_canvas->underMouse())
        reportPointer(m_canvas->mapFromGlobal(QCursor::pos()));
}

void CanvasView::reportPointer(QPointF canvasPosition)
{
    const QPointF at = m_canvas->bitmapPositionAt(canvasPosition);
    const QPoint pixel(int(std::floor(at.x())), int(std::floor(at.y())));
    if (QRect(QPoint(0, 0), m_canvas->innerSize()).contains(pixel))
        emit pointerMoved(pixel);
    else
        emit pointerLeft();
}
