#pragma once
// The fill tool: one press gives every pixel of the pressed colour, anywhere in the picture, the
// current colour. A global colour replacement, not a flood fill.
#include "imagelib/colour.h"
#include "tools/canvastool.h"

#include <optional>

class FillTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;
    void press(const CanvasPoint &at) override;

private:
    std::optional<Colour> m_target; // the colour pressed on; none beside the picture
};
