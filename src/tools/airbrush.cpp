#include "tools/airbrush.h"

#include "document/documentwindow.h"
#include "document/picturebox.h"
#include "tools/palette.h"
#include "tools/random.h"

#include <QtGlobal>

void airbrushSpray(DocumentWindow &document, Palette &palette, float X, float Y)
{
    PictureBox &canvas = *document.canvas;
    StrokeFields &stroke = document.stroke;
    canvas.setDrawWidth(1);
    for (int dot = 0; dot < DotsPerSpray; ++dot) {
        stroke.sprayX = float(double(Rnd()) * 20 * palette.penWidth() + (X - 25));
        stroke.sprayY = float(double(Rnd()) * 20 * palette.penWidth() + (Y - 10));
        canvas.line(QPointF(stroke.sprayX - 1, stroke.sprayY - 1), QPointF(stroke.sprayX, stroke.sprayY),
                    palette.currentColour());
    }
    canvas.setDrawWidth(qint16(palette.penWidth()));
}
