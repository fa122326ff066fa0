#include "adjust/form4.h"

#include "document/picturebox.h"

Form4::Form4() : SliderDialog(QStringLiteral("Adjust Contrast"), QSize(2910, 1215))
{
    Label4 = addLabel(QStringLiteral("Contrast"), 120, 120, 1515, 225);
    PictCont = addSlider(120, 360);
    addButtons(720);
    connect(PictCont, &PictureBox::MouseDown, this, &Form4::PictCont_MouseDown);
    connect(PictCont, &PictureBox::MouseMove, this, &Form4::PictCont_MouseMove);
    connect(PictCont, &PictureBox::MouseUp, this, &Form4::PictCont_MouseUp);

    Form_Load();
    drawBar(PictCont, startingX(PictCont), BarMagenta, BarBlack);
}

void Form4::PictCont_MouseDown(int, int, float, float)
{
    ContDrag = true;
}

void Form4::PictCont_MouseMove(int, int, float X, float)
{
    if (!ContDrag)
        return;
    drawBar(PictCont, X, BarMagenta, BarBlack);
    if (X < 0)
        X = 0;
    fillContrastTable(levelTable(), X);
    previewOnCanvas(QStringLiteral("Brightness/Contrast"));
}

void Form4::PictCont_MouseUp(int, int, float, float)
{
    ContDrag = false;
}

void Form4::clearDragFlags()
{
    ContDrag = false;
}
