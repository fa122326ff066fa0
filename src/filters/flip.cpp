#include "filters/flip.h"

#include "document/dc.h"
#include "document/documentwindow.h"
#include "document/picturebox.h"

void flipPicture(DocumentWindow &document, FlipAxis axis)
{
    document.snapshot->setPicture(document.canvas->image());
    document.canvas->cls();
    const int w = document.snapshot->innerWidth();
    const int h = document.snapshot->innerHeight();
    if (axis == FlipAxis::Horizontal)
        StretchBlt(document.canvas->dc(), w, 0, -w, h, document.snapshot->dc(), 0, 0, w, h, RasterOp::Copy);
    else
        StretchBlt(document.canvas->dc(), 0, h, w, -h, document.snapshot->dc(), 0, 0, w, h, RasterOp::Copy);
    document.snapshot->setPicture(document.canvas->image());
}
