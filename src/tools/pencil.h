#pragma once
// The pencil: a freehand trail, or a straight line with a live preview, in the current colour and
// the canvas's pen width. Both draw at the tip of the pencil's pointer, 8 screen pixels below the
// position the mouse reports: at 100 %, 8 picture pixels below it.
#include "tools/canvastool.h"

#include <QPointF>

class PencilTool : public CanvasTool {
public:
    // How far below the pointer's hot spot its tip is, in screen pixels.
    static constexpr int TipDrop = 8;

    using CanvasTool::CanvasTool;
    void press(const CanvasPoint &at) override;
    void drag(const CanvasPoint &at) override;

private:
    QPointF m_start; // the straight line's first end
};
