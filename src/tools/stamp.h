#pragma once
// The stamp: prints the document's pattern, its mask and face images, centred on the pointer
// at the press and at every held move. It ignores the current colour and the pen width.
#include <QImage>
#include <QPoint>
#include <QRect>

class DocumentWindow;
class Palette;

// The top-left corner that centres a surface of the given outer size, in pixels, on (X, Y).
QPoint stampCorner(float X, float Y, double outerWidth, double outerHeight);

// Prints a pattern onto a picture: the whole mask ANDed in with its top-left corner at maskAt
// (its opaque part turns black), then the whole face ORed in at faceAt (its colours fill the
// black). What falls outside the picture is cut off. Returns the rectangle of the picture that
// the two transfers touched.
QRect stampPattern(QImage &picture, const QImage &mask, QPoint maskAt, const QImage &face, QPoint faceAt);

void stampPrint(DocumentWindow &document, Palette &palette, float X, float Y);
