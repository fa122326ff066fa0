#pragma once
// The colour picker: the colour of the picture under the pointer becomes the current colour, at
// the press and while the button is held. It changes no pixel.
#include "tools/canvastool.h"

class PickerTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;
    void press(const CanvasPoint &at) override { sample(at.X, at.Y); }
    void drag(const CanvasPoint &at) override;

private:
    void sample(float X, float Y);
};
