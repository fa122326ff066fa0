#include "tools/pencil.h"

#include "document/document.h"
#include "tools/toolsettings.h"

void PencilTool::press(float X, float Y)
{
    PictureModel &canvas = document().canvas();
    if (settings().freehand()) {
        // A line of no length: a dot of the pen width, and the trail's first pen position.
        const QPointF point(X, Y + Drop);
        canvas.line(point, point, settings().colour());
    } else {
        m_start = QPointF(X, Y + Drop);
        document().snapshot().setPicture(canvas.image());
    }
}

void PencilTool::drag(float X, float Y)
{
    PictureModel &canvas = document().canvas();
    if (settings().freehand()) {
        canvas.lineTo(QPointF(X, Y + Drop), settings().colour());
    } else {
        // The preview drawn at the last move goes; only the line to the latest position shows.
        canvas.eraseDrawing();
        canvas.line(m_start, QPointF(X, Y + Drop), settings().colour());
    }
}
