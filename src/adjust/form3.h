#pragma once
// "Adjust Brightness": one slider that scales every byte by its gain.
#include "adjust/sliderdialog.h"

class Form3 : public SliderDialog {
    Q_OBJECT
public:
    Form3();

    QLabel *Label3 = nullptr;
    PictureBox *Pictbright = nullptr;

    void Pictbright_MouseDown(int Button, int Shift, float X, float Y);
    void Pictbright_MouseMove(int Button, int Shift, float X, float Y);
    void Pictbright_MouseUp(int Button, int Shift, float X, float Y);

protected:
    void clearDragFlags() override;
};
