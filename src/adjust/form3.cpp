#include "adjust/form3.h"

#include "document/picturebox.h"

Form3::Form3() : SliderDialog(QStringLiteral("Adjust Brightness"), QSize(2910, 1215))
{
    Label3 = addLabel(QStringLiteral("Brightness"), 120, 120, 1515, 225);
    Pictbright = addSlider(120, 360);
    addButtons(720);
    connect(Pictbright, &PictureBox::MouseDown, this, &Form3::Pictbright_MouseDown);
    connect(Pictbright, &PictureBox::MouseMove, this, &Form3::Pictbright_MouseMove);
    connect(Pictbright, &PictureBox::MouseUp, this, &Form3::Pictbright_MouseUp);

    Form_Load();
    drawBar(Pictbright, startingX(Pictbright), BarMagenta, BarBlack);
}

void Form3::Pictbright_MouseDown(int, int, float, float)
{
    BrightDrag = true;
}

void Form3::Pictbright_MouseMove(int, int, float X, float)
{
    if (!BrightDrag)
        return;
    drawBar(Pictbright, X, BarMagenta, BarBlack);
    if (X < 0)
        X = 0;
    fillGainTable(levelTable(), X);
    previewOnCanvas(QStringLiteral("Brightness/Contrast"));
}

void Form3::Pictbright_MouseUp(int, int, float, float)
{
    BrightDrag = false;
}

void Form3::clearDragFlags()
{
    BrightDrag = false;
}
