#pragma once
// The whole-picture commands of the Filter module, on a document.
#include <QSize>

class Document;
class Prompts;
class QWidget;

// Smooths the document's canvas with the 3 x 3 mean, with the " [Working]" caption on the main
// window while it runs and "Done!" at its end; the window takes no input meanwhile. False when
// the document went while the filter yielded.
bool smoothPicture(Document &document, QWidget *mainWindow, Prompts &prompts);

// Stretches the canvas's stored picture onto a canvas of the new outer size (pixels, border
// included) and commits.
void resizePicture(Document &document, QSize outer);
