#pragma once
// The fill tool: one press gives every pixel of the pressed colour, anywhere in the picture,
// the current colour. A global colour replacement, not a flood fill.
#include "document/colour.h"

#include <QImage>
#include <QRect>

class Form1;
class Palette;

// Every pixel whose colour is exactly `target` (all 32 bits) becomes `replacement`. A target
// that no pixel can hold, such as CLR_INVALID, changes nothing; a picture with no match is not
// even detached from pictures sharing its pixels. Returns the bounding rectangle of the change.
QRect replaceColour(QImage &picture, Colour target, Colour replacement);

void fillPress(Form1 &form, const Palette &palette, float X, float Y);
