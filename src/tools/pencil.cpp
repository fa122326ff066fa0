#include "tools/pencil.h"

#include "document/document.h"
#include "tools/toolsettings.h"

namespace {

// The tip as single-precision numbers, as the drawing rules compute with.
QPointF tipOf(const CanvasPoint &at)
{
    return QPointF(float(at.tip.x()), float(at.tip.y()));
}

} // namespace

void PencilTool::press(const CanvasPoint &at)
{
    PictureModel &canvas = document().canvas();
    if (settings().freehand()) {
        // A line of no length: a dot of the pen width, and the trail's first pen position.
        canvas.line(tipOf(at), tipOf(at), settings().colour());
    } else {
        m_start = tipOf(at);
        document().snapshot().setPicture(canvas.image());
    }
}

void PencilTool::drag(const CanvasPoint &at)
{
    PictureModel &canvas = document().canvas();
    if (settings().freehand()) {
        canvas.lineTo(tipOf(at), settings().colour());
    } else {
        // The preview drawn at the last move goes; only the line to the latest position shows.
        canvas.eraseDrawing();
        canvas.line(m_start, tipOf(at), settings().colour());
    }
}
