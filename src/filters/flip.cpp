#include "filters/flip.h"

#include "document/dc.h"
#include "document/form1.h"
#include "document/picturebox.h"

void FlipPicture(Form1 *form, FlipAxis axis)
{
    form->Picture2->setPicture(form->Picture1->Image());
    form->Picture1->Cls();
    const int w = form->Picture2->ScaleWidth();
    const int h = form->Picture2->ScaleHeight();
    if (axis == FlipAxis::Horizontal)
        StretchBlt(form->Picture1->hDC(), w, 0, -w, h, form->Picture2->hDC(), 0, 0, w, h, SRCCOPY);
    else
        StretchBlt(form->Picture1->hDC(), 0, h, w, -h, form->Picture2->hDC(), 0, 0, w, h, SRCCOPY);
    form->Picture2->setPicture(form->Picture1->Image());
}
