#pragma once
// The pencil: a freehand trail, or a straight line with a live preview. Both draw 8 pixels below
// the position the mouse reports, in the current colour and the canvas's pen width.
#include "tools/canvastool.h"

#include <QPointF>

class PencilTool : public CanvasTool {
public:
    static constexpr float Drop = 8;

    using CanvasTool::CanvasTool;
    void press(float X, float Y) override;
    void drag(float X, float Y) override;

private:
    QPointF m_start; // the straight line's first end
};
