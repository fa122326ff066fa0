#pragma once
// The pixel engine run on a document: its canvas's stored picture rewritten in place from its
// snapshot's through a level table.
#include "imagelib/pixelengine.h"

class Document;

// False, and no change, for a canvas picture that is empty or not 24-bit: the caller tells the
// user " 24-bit bitmaps only". The canvas shows the result at its next repaint.
bool processImage(Document &document, const QString &operation, const LevelTable &table);
