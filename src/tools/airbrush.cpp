#include "tools/airbrush.h"

#include "document/form1.h"
#include "document/picturebox.h"
#include "tools/palette.h"
#include "tools/random.h"

#include <QtGlobal>

void airbrushSpray(Form1 &form, const Palette &palette, float X, float Y)
{
    PictureBox &canvas = *form.Picture1;
    StrokeFields &stroke = form.stroke;
    canvas.setDrawWidth(1);
    for (int dot = 0; dot < DotsPerSpray; ++dot) {
        stroke.SprayX = float(double(Rnd()) * 20 * palette.penWidth() + (X - 25));
        stroke.SprayY = float(double(Rnd()) * 20 * palette.penWidth() + (Y - 10));
        canvas.Line(QPointF(stroke.SprayX - 1, stroke.SprayY - 1), QPointF(stroke.SprayX, stroke.SprayY),
                    palette.currentColour());
    }
    canvas.setDrawWidth(qint16(palette.penWidth()));
}
