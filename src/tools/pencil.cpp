#include "tools/pencil.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "tools/palette.h"

void pencilPress(DocumentWindow &document, Palette &palette, float X, float Y)
{
    PictureBox &canvas = *document.canvas;
    if (palette.freehandMode()) {
        // A line of no length: a dot of the pen width, and the trail's first current position.
        const QPointF point(X, Y + PencilDrop);
        canvas.line(point, point, palette.currentColour());
    } else {
        document.stroke.startX = X;
        document.stroke.startY = Y + PencilDrop;
        document.snapshot->setPicture(canvas.image());
    }
}

void pencilDrag(DocumentWindow &document, Palette &palette, float X, float Y)
{
    PictureBox &canvas = *document.canvas;
    if (palette.freehandMode()) {
        canvas.lineTo(QPointF(X, Y + PencilDrop), palette.currentColour());
    } else {
        canvas.cls();
        canvas.line(QPointF(document.stroke.startX, document.stroke.startY), QPointF(X, Y + PencilDrop),
                    palette.currentColour());
    }
}
