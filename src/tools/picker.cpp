#include "tools/picker.h"

#include "document/dc.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "document/screen.h"
#include "imagelib/units.h"
#include "tools/palette.h"

static void sampleColour(DocumentWindow &document, Palette &palette, float X, float Y)
{
    const Colour c = GetPixel(document.canvas->dc(), roundEven(X), roundEven(Y));
    // Only the picture has colours to take; around it (the border included) the swatch keeps
    // the last colour sampled.
    if (c == CLR_INVALID)
        return;
    palette.setCurrentColour(c);
    palette.colourDialog.colour = palette.currentColour();
}

void pickerPress(DocumentWindow &document, Palette &palette, float X, float Y)
{
    sampleColour(document, palette, X, Y);
}

void pickerDrag(DocumentWindow &document, Palette &palette, float X, float Y)
{
    const double W = document.canvas->widthTwips() / Screen::TwipsPerPixelX;
    const double H = document.canvas->heightTwips() / Screen::TwipsPerPixelY;
    if (X < 0 || X > float(W - 1) || Y < 0 || Y > float(H - 1))
        return;
    sampleColour(document, palette, X, Y);
}
