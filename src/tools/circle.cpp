#include "tools/circle.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "tools/palette.h"

void circlePress(DocumentWindow &document, Palette &, float X, float Y)
{
    document.stroke.startX = X;
    document.stroke.startY = Y;
    document.snapshot->setPicture(document.canvas->image());
}

void circleDrag(DocumentWindow &document, Palette &palette, float X, float Y)
{
    PictureBox &canvas = *document.canvas;
    canvas.cls();
    const CircleShape shape = palette.centreMode()
                                  ? circleFromCentre(document.stroke.startX, document.stroke.startY, X, Y)
                                  : circleFromCorner(document.stroke.startX, document.stroke.startY, X, Y);
    canvas.circle(QPointF(float(shape.centre.x()), float(shape.centre.y())), float(shape.radius),
                  palette.currentColour());
}
