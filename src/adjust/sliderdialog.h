#pragma once
// What the colour, brightness and contrast dialogs share: slider boxes with their bars, the
// load, OK and Cancel steps, and the live preview of one slider move on the active canvas.
#include "adjust/imagepro.h"
#include "document/colour.h"
#include "document/tooldialog.h"

class PictureBox;
class QLabel;
class QPushButton;

// True from a press on a slider to its release; the moves in between preview.
extern bool RGBDrag;    // the three channel sliders of "Adjust Colors"
extern bool BrightDrag; // "Adjust Brightness"
extern bool ContDrag;   // "Adjust Contrast"

inline constexpr Colour BarMagenta = 0x00FF00FF;
inline constexpr Colour BarBlack = 0x00000000;

class SliderDialog : public ToolDialog {
    Q_OBJECT
public:
    QPushButton *Command1 = nullptr; // "&OK"
    QPushButton *Command2 = nullptr; // "&Cancel"

    void Command1_Click();
    void Command2_Click();

protected:
    SliderDialog(const QString &caption, QSize clientTwips);

    QLabel *addLabel(const QString &caption, int left, int top, int width, int height);
    // A borderless box 2700 x 300 twips (180 x 20 pixels).
    PictureBox *addSlider(int left, int top);
    void addButtons(int top);

    // Disables the main and document windows and commits the canvas, so the snapshot holds
    // the picture every preview starts from.
    void Form_Load();
    // Half the box's width in pixels.
    static float startingX(const PictureBox *box);
    // The bar colour up to X, the rest colour from X to the 200-pixel frame's end.
    static void drawBar(PictureBox *box, float X, Colour bar, Colour rest);
    // The system's button-face colour, behind the channel bars.
    Colour buttonFace() const;
    // Runs the engine with the table just filled, repaints the canvas and yields once; nothing
    // once the dialog's document has gone. The dialog may be gone when this returns.
    void previewOnCanvas(const QString &operation);

    void Form_Unload() override;
    virtual void clearDragFlags() = 0;
};
