#pragma once
// The mouse frame every canvas shares: a press starts a stroke, each move with a button held
// continues it with the selected tool, the release commits the canvas through the temp file.
// Every mouse button acts as the left one; the palette is read afresh at every event.
class Form1;
class Palette;

// Connects a document's canvas mouse events to the drawing tools.
void attachCanvasTools(Form1 *form, Palette *palette);

void Picture1_MouseDown(Form1 &form, Palette &palette, float X, float Y);
void Picture1_MouseMove(Form1 &form, Palette &palette, float X, float Y);
void Picture1_MouseUp(Form1 &form);
