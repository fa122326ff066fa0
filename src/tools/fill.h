#pragma once
// The fill tool: one press gives every pixel of the pressed colour, anywhere in the picture,
// the current colour. A global colour replacement, not a flood fill.
class DocumentWindow;
class Palette;

void fillPress(DocumentWindow &document, Palette &palette, float X, float Y);
