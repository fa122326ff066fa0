#pragma once
// The whole-picture operations of the Filter module, on a document's surfaces.
class DocumentWindow;

// Smooths the document's canvas with the 3 x 3 mean (caption, message and yields included).
// False when the document went while the filter yielded.
bool smoothPicture(DocumentWindow &document);

// Stretches the canvas's stored picture onto a canvas of the new outer size (twips) and commits.
void resizePicture(DocumentWindow &document, double widthTwips, double heightTwips);
