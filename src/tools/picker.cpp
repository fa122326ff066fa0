#include "tools/picker.h"

#include "document/document.h"
#include "imagelib/units.h"
#include "tools/toolsettings.h"

void PickerTool::sample(float X, float Y)
{
    // Only the picture has colours to take; around it (the border included) the swatch keeps the
    // last colour sampled.
    const std::optional<Colour> c = document().canvas().pixel(roundEven(X), roundEven(Y));
    if (!c)
        return;
    settings().setColour(*c);
    // The colour dialog starts from it next time, and gives it back if cancelled.
    settings().setDialogColour(*c);
}

void PickerTool::drag(const CanvasPoint &at)
{
    const float X = at.X, Y = at.Y;
    // The drag stops at the canvas's outer size, border included.
    const QSize outer = document().canvas().outerSize();
    const double W = outer.width();
    const double H = outer.height();
    if (X < 0 || X > float(W - 1) || Y < 0 || Y > float(H - 1))
        return;
    sample(X, Y);
}
