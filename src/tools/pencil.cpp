#include "tools/pencil.h"

#include "document/form1.h"
#include "document/picturebox.h"
#include "tools/palette.h"

void pencilPress(Form1 &form, const Palette &palette, float X, float Y)
{
    PictureBox &canvas = *form.Picture1;
    if (palette.freehandMode()) {
        // A line of no length: a dot of the pen width, and the trail's first current position.
        const QPointF point(X, Y + PencilDrop);
        canvas.Line(point, point, palette.currentColour());
    } else {
        form.stroke.StartX = X;
        form.stroke.StartY = Y + PencilDrop;
        form.Picture2->setPicture(canvas.Image());
    }
}

void pencilDrag(Form1 &form, const Palette &palette, float X, float Y)
{
    PictureBox &canvas = *form.Picture1;
    if (palette.freehandMode()) {
        canvas.LineTo(QPointF(X, Y + PencilDrop), palette.currentColour());
    } else {
        canvas.Cls();
        canvas.Line(QPointF(form.stroke.StartX, form.stroke.StartY), QPointF(X, Y + PencilDrop),
                    palette.currentColour());
    }
}
