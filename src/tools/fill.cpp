#include "tools/fill.h"

#include "document/dc.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "imagelib/fill.h"
#include "imagelib/units.h"
#include "tools/palette.h"

void fillPress(DocumentWindow &document, Palette &palette, float X, float Y)
{
    PictureBox &canvas = *document.canvas;
    document.stroke.targetColour = GetPixel(canvas.dc(), roundEven(X), roundEven(Y));
    // The scan over the canvas's outer size visits a frame of positions outside the bitmap as
    // well, where nothing matches: the bitmap alone gives the same result.
    bool outOfMemory = false;
    canvas.markDrawn(replaceColour(canvas.bitmapForRewrite(), document.stroke.targetColour, palette.currentColour(),
                                   &outOfMemory));
    if (outOfMemory)
        emit canvas.outOfMemory(canvas.innerSize());
    canvas.refresh();
}
