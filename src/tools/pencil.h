#pragma once
// The pencil: a freehand trail, or a straight line with a live preview. Both draw 8 pixels
// below the position the mouse reports, in the current colour and the canvas's pen width.
class DocumentWindow;
class Palette;

inline constexpr float PencilDrop = 8;

void pencilPress(DocumentWindow &document, Palette &palette, float X, float Y);
void pencilDrag(DocumentWindow &document, Palette &palette, float X, float Y);
