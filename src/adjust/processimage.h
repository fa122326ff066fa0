#pragma once
// The pixel engine run on a document, with the one program-wide level table it reads.
#include "imagelib/pixelengine.h"

class DocumentWindow;

// Zero-filled at start; the adjustment dialogs refill it before every engine pass.
LevelTable &levelTable();

// Rewrites the document's canvas picture from its snapshot's through levelTable(), in place; the
// canvas shows the result at its next repaint. A canvas picture that is empty or not 24-bit gets
// the message " 24-bit bitmaps only" and no change.
void processImage(DocumentWindow &document, const QString &operation);
