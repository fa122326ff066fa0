#include "tools/fill.h"

#include "document/document.h"
#include "imagelib/fill.h"
#include "imagelib/units.h"
#include "tools/toolsettings.h"

void FillTool::press(const CanvasPoint &at)
{
    const float X = at.X, Y = at.Y;
    PictureModel &canvas = document().canvas();
    m_target = canvas.pixel(roundEven(X), roundEven(Y));
    // Beside the picture there is no colour that any pixel could match. The scan over the
    // canvas's outer size visits a frame of positions outside the bitmap as well, where nothing
    // matches either: the bitmap alone gives the same result.
    if (!m_target)
        return;
    bool outOfMemory = false;
    canvas.markDrawn(replaceColour(canvas.bitmapForRewrite(), *m_target, settings().colour(), &outOfMemory));
    if (outOfMemory)
        canvas.reportOutOfMemory(canvas.size());
}
