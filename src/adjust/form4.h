#pragma once
// "Adjust Contrast": one slider that scales every byte's distance from 127.
#include "adjust/sliderdialog.h"

class Form4 : public SliderDialog {
    Q_OBJECT
public:
    Form4();

    QLabel *Label4 = nullptr;
    PictureBox *PictCont = nullptr;

    void PictCont_MouseDown(int Button, int Shift, float X, float Y);
    void PictCont_MouseMove(int Button, int Shift, float X, float Y);
    void PictCont_MouseUp(int Button, int Shift, float X, float Y);

protected:
    void clearDragFlags() override;
};
