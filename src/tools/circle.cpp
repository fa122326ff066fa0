#include "tools/circle.h"

#include "document/form1.h"
#include "document/picturebox.h"
#include "tools/palette.h"

void circlePress(Form1 &form, float X, float Y)
{
    form.stroke.StartX = X;
    form.stroke.StartY = Y;
    form.Picture2->setPicture(form.Picture1->Image());
}

void circleDrag(Form1 &form, const Palette &palette, float X, float Y)
{
    PictureBox &canvas = *form.Picture1;
    canvas.Cls();
    const CircleShape shape = palette.centreMode()
                                  ? circleFromCentre(form.stroke.StartX, form.stroke.StartY, X, Y)
                                  : circleFromCorner(form.stroke.StartX, form.stroke.StartY, X, Y);
    canvas.Circle(QPointF(float(shape.centre.x()), float(shape.centre.y())), float(shape.radius),
                  palette.currentColour());
}
