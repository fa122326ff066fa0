#pragma once
// The mouse frame every canvas shares: a press starts a stroke, each move with a button held
// continues it with the selected tool, the release commits the canvas through the temp file.
// Every mouse button acts as the left one; the palette is read afresh at every event.
class DocumentWindow;
class Palette;

// Connects a document's canvas mouse events to the drawing tools.
void attachCanvasTools(DocumentWindow &document, Palette &palette);

void canvasPressed(DocumentWindow &document, Palette &palette, float X, float Y);
void canvasMoved(DocumentWindow &document, Palette &palette, float X, float Y);
void canvasReleased(DocumentWindow &document);
