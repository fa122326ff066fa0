#pragma once
// "Adjust Colors": one slider per colour channel; each rewrites only its own byte of every
// pixel, so the three combine within one showing.
#include "adjust/sliderdialog.h"

#include <array>

class Form2 : public SliderDialog {
    Q_OBJECT
public:
    Form2();

    QLabel *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr;
    std::array<PictureBox *, 3> PictRGB {}; // 0 red, 1 green, 2 blue

    void PictRGB_MouseDown(int Index, int Button, int Shift, float X, float Y);
    void PictRGB_MouseMove(int Index, int Button, int Shift, float X, float Y);
    void PictRGB_MouseUp(int Index, int Button, int Shift, float X, float Y);

protected:
    void clearDragFlags() override;

private:
    Colour barColour(int index) const;
};
