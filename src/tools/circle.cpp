#include "tools/circle.h"

#include "document/document.h"
#include "tools/toolsettings.h"

void CircleTool::press(const CanvasPoint &at)
{
    const float X = at.X, Y = at.Y;
    m_startX = X;
    m_startY = Y;
    document().snapshot().setPicture(document().canvas().image());
}

void CircleTool::drag(const CanvasPoint &at)
{
    const float X = at.X, Y = at.Y;
    PictureModel &canvas = document().canvas();
    canvas.eraseDrawing();
    const CircleShape shape = settings().fromCentre() ? circleFromCentre(m_startX, m_startY, X, Y)
                                                      : circleFromCorner(m_startX, m_startY, X, Y);
    // The centre and the radius go to the drawing as single-precision numbers.
    canvas.circle(QPointF(float(shape.centre.x()), float(shape.centre.y())), float(shape.radius), settings().colour());
}
