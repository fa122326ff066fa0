#pragma once
// The circle tool: an outline in the current colour and the canvas's pen width, previewed live.
// From the centre, the press point is the centre; from the corner, it is the top-left corner of
// the circle's bounding square.
#include "tools/canvastool.h"

#include <QPointF>

struct CircleShape {
    QPointF centre;
    double radius;
};

// The vertical difference alone is halved: dragging down by 60 gives 30, right by 60 gives 60.
inline CircleShape circleFromCentre(float startX, float startY, float X, float Y)
{
    const double r = (double(X) - startX) + (double(Y) - startY) / 2;
    return {QPointF(startX, startY), r};
}

inline CircleShape circleFromCorner(float startX, float startY, float X, float Y)
{
    const double d = (double(X) - startX) + (double(Y) - startY);
    return {QPointF(startX + d / 4, startY + d / 4), d / 4};
}

class CircleTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;
    void press(const CanvasPoint &at) override;
    void drag(const CanvasPoint &at) override;

private:
    float m_startX = 0, m_startY = 0;
};
