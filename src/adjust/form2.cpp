#include "adjust/form2.h"

#include "document/picturebox.h"

Form2::Form2() : SliderDialog(QStringLiteral("Adjust Colors"), QSize(3015, 2295))
{
    Label5 = addLabel(QStringLiteral("Red"), 135, 45, 450, 225);
    PictRGB[0] = addSlider(120, 240);
    Label6 = addLabel(QStringLiteral("Green"), 120, 600, 540, 225);
    PictRGB[1] = addSlider(120, 840);
    Label7 = addLabel(QStringLiteral("Blue"), 150, 1200, 405, 225);
    PictRGB[2] = addSlider(120, 1440);
    addButtons(1800);
    for (int index = 0; index < 3; ++index) {
        PictureBox *box = PictRGB[size_t(index)];
        connect(box, &PictureBox::MouseDown, this,
                [this, index](int b, int s, float x, float y) { PictRGB_MouseDown(index, b, s, x, y); });
        connect(box, &PictureBox::MouseMove, this,
                [this, index](int b, int s, float x, float y) { PictRGB_MouseMove(index, b, s, x, y); });
        connect(box, &PictureBox::MouseUp, this,
                [this, index](int b, int s, float x, float y) { PictRGB_MouseUp(index, b, s, x, y); });
    }

    Form_Load();
    for (int index = 0; index < 3; ++index) {
        PictureBox *box = PictRGB[size_t(index)];
        drawBar(box, startingX(box), barColour(index), buttonFace());
    }
}

Colour Form2::barColour(int index) const
{
    static constexpr Colour bars[3] = {0x000000FF, 0x0000FF00, 0x00FF0000};
    return bars[index];
}

void Form2::PictRGB_MouseDown(int, int, int, float, float)
{
    RGBDrag = true;
}

void Form2::PictRGB_MouseMove(int Index, int, int, float X, float)
{
    if (!RGBDrag)
        return;
    drawBar(PictRGB[size_t(Index)], X, barColour(Index), buttonFace());
    if (X < 0)
        X = 0;
    fillGainTable(levelTable(), X);
    previewOnCanvas(QStringLiteral("RGB") + QString::number(Index));
}

void Form2::PictRGB_MouseUp(int, int, int, float, float)
{
    RGBDrag = false;
}

void Form2::clearDragFlags()
{
    RGBDrag = false;
}
