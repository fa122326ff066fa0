#include "tools/picker.h"

#include "document/dc.h"
#include "document/form1.h"
#include "document/picturebox.h"
#include "document/screen.h"
#include "document/units.h"
#include "tools/palette.h"

static void sampleColour(Form1 &form, Palette &palette, float X, float Y)
{
    const Colour c = GetPixel(form.Picture1->hDC(), roundEven(X), roundEven(Y));
    // Only the picture has colours to take; around it (the border included) the swatch keeps
    // the last colour sampled.
    if (c == CLR_INVALID)
        return;
    palette.setCurrentColour(c);
    palette.CDColor.Color = palette.currentColour();
}

void pickerPress(Form1 &form, Palette &palette, float X, float Y)
{
    sampleColour(form, palette, X, Y);
}

void pickerDrag(Form1 &form, Palette &palette, float X, float Y)
{
    const double W = form.Picture1->Width() / Screen::TwipsPerPixelX;
    const double H = form.Picture1->Height() / Screen::TwipsPerPixelY;
    if (X < 0 || X > float(W - 1) || Y < 0 || Y > float(H - 1))
        return;
    sampleColour(form, palette, X, Y);
}
