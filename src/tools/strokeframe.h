#pragma once
class Form1;
class Palette;

// Connects a document's canvas mouse events to the drawing tools.
void attachCanvasTools(Form1 *form, Palette *palette);
