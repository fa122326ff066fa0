#pragma once
// The tool palette on the main window: six tools, the pencil and circle modes, the current
// colour swatch with its colour dialog, and the pen-width slider. The canvas handlers read
// these controls at every mouse event; nothing is copied into variables of its own.
#include "document/colour.h"
#include "document/prompts.h"

#include <QObject>
#include <QTimer>

class PictureBox;
class QAbstractButton;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QSlider;
class QToolButton;
class QWidget;

enum class Tool { Pencil, Picker, Airbrush, Circle, Stamp, Fill };

class Palette : public QObject {
    Q_OBJECT
public:
    explicit Palette(QObject *parent = nullptr);
    ~Palette() override;

    // The panel holding the tool buttons, swatch and mode frames (goes on the TB1 toolbar), and
    // the "Size" frame with the pen-width slider (goes on Toolbar1). The caller takes ownership.
    QWidget *TB1 = nullptr;
    QGroupBox *Frame3 = nullptr;

    QToolButton *Option1 = nullptr; // pencil
    QToolButton *Option2 = nullptr; // colour picker
    QToolButton *Option3 = nullptr; // airbrush
    QToolButton *Option4 = nullptr; // circle
    QToolButton *Option5 = nullptr; // stamp
    QToolButton *Option6 = nullptr; // fill
    QFrame *Frame1 = nullptr;       // circle modes
    QFrame *Frame2 = nullptr;       // pencil modes
    QToolButton *Opt1 = nullptr, *Opt2 = nullptr;
    QToolButton *OptL1 = nullptr, *OptL2 = nullptr;
    PictureBox *PicColor = nullptr;
    QSlider *Slider1 = nullptr;
    QTimer Timer1;
    QTimer Timer2;
    CommonDialog CDColor;

    Tool currentTool() const;
    bool freehandMode() const;  // OptL1 selected
    bool centreMode() const;    // Opt1 selected
    Colour currentColour() const;
    void setCurrentColour(Colour colour);
    int penWidth() const;

    // The palette buttons and the swatch are usable exactly while a document is open.
    void setToolsEnabled(bool enabled);

    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void PicColor_Click();
    void Slider1_Change();
    void Timer1_Timer();
    void Timer2_Timer();

signals:
    // The stamp button asks for the Pattern dialog.
    void patternDialogWanted();

private:
    PictureBox *activeCanvas() const;
    void setCanvasPointer(const QString &icon, QPoint hotSpot);
    void clampSlider(int max);
};
