#pragma once
// The colour picker: the colour of the picture under the pointer becomes the current colour,
// at the press and while the button is held. It changes no pixel.
class Form1;
class Palette;

void pickerPress(Form1 &form, Palette &palette, float X, float Y);
void pickerDrag(Form1 &form, Palette &palette, float X, float Y);
