#include "tools/strokeframe.h"

#include "document/canvasview.h"
#include "document/document.h"
#include "tools/airbrush.h"
#include "tools/circle.h"
#include "tools/fill.h"
#include "tools/pencil.h"
#include "tools/picker.h"
#include "tools/stamp.h"

StrokeFrame::StrokeFrame(Document &document, CanvasView &view, ToolSettings &settings, RandomSource &random,
                         QObject *parent)
    : QObject(parent), m_document(document), m_view(view), m_settings(settings),
      m_tools{std::make_unique<PencilTool>(document, settings), std::make_unique<PickerTool>(document, settings),
              std::make_unique<AirbrushTool>(document, settings, random),
              std::make_unique<CircleTool>(document, settings), std::make_unique<StampTool>(document, settings),
              std::make_unique<FillTool>(document, settings)}
{
    connect(&view, &CanvasView::mousePressed, this, &StrokeFrame::press);
    connect(&view, &CanvasView::mouseMoved, this, &StrokeFrame::move);
    connect(&view, &CanvasView::mouseReleased, this, &StrokeFrame::release);
}

StrokeFrame::~StrokeFrame() = default;

CanvasTool &StrokeFrame::currentTool() const
{
    return *m_tools[size_t(m_settings.tool())];
}

CanvasPoint StrokeFrame::pointAt(QPointF areaPosition) const
{
    const QPointF at = m_view.picturePositionAt(areaPosition);
    return {float(at.x()), float(at.y()), m_view.picturePositionAt(areaPosition + QPointF(0, PencilTool::TipDrop))};
}

void StrokeFrame::press(QPointF areaPosition)
{
    m_drawing = true;
    currentTool().press(pointAt(areaPosition));
}

void StrokeFrame::move(QPointF areaPosition)
{
    // Every move, with a button held or not, gives the snapshot the canvas's stored picture. It
    // is intended: the commands that draw from the snapshot have always relied on finding the
    // committed picture there, and sharing it costs nothing.
    m_document.snapshot().setPicture(m_document.canvas().picture());
    if (m_drawing)
        currentTool().drag(pointAt(areaPosition));
}

void StrokeFrame::release(QPointF)
{
    m_document.commitPicture();
    m_drawing = false;
}
