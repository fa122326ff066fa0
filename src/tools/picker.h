#pragma once
// The colour picker: the colour of the picture under the pointer becomes the current colour,
// at the press and while the button is held. It changes no pixel.
class DocumentWindow;
class Palette;

void pickerPress(DocumentWindow &document, Palette &palette, float X, float Y);
void pickerDrag(DocumentWindow &document, Palette &palette, float X, float Y);
