#pragma once
// The stamp: prints the document's pattern, its mask and its face, centred on the pointer at the
// press and at every held move. It ignores the current colour and the pen width.
#include "tools/canvastool.h"

#include <QImage>
#include <QPoint>
#include <QRect>

// The top-left corner that centres a picture of the given size, in pixels, on (X, Y).
QPoint stampCorner(float X, float Y, double width, double height);

// Prints a pattern onto a picture: the whole mask ANDed in with its top-left corner at maskAt
// (its opaque part turns black), then the whole face ORed in at faceAt (its colours fill the
// black). What falls outside the picture is cut off. Returns the rectangle of the picture that
// the two transfers touched.
QRect stampPattern(QImage &picture, const QImage &mask, QPoint maskAt, const QImage &face, QPoint faceAt);

class StampTool : public CanvasTool {
public:
    using CanvasTool::CanvasTool;
    void press(const CanvasPoint &at) override { print(at.X, at.Y); }
    void drag(const CanvasPoint &at) override { print(at.X, at.Y); }

private:
    void print(float X, float Y);
};
