#pragma once
// The airbrush: six one-pixel dots of the current colour at every event, scattered in a square
// that starts 25 pixels left of and 10 above the pointer and grows right and down by 20 pixels
// for every step of the pen width.
#include "tools/canvastool.h"

class RandomSource;

class AirbrushTool : public CanvasTool {
public:
    static constexpr int DotsPerSpray = 6;

    AirbrushTool(Document &document, ToolSettings &settings, RandomSource &random);
    void press(const CanvasPoint &at) override { spray(at.X, at.Y); }
    void drag(const CanvasPoint &at) override { spray(at.X, at.Y); }

private:
    void spray(float X, float Y);

    RandomSource &m_random;
    float m_sprayX = 0, m_sprayY = 0; // the dot being drawn
};
