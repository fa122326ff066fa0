#pragma once
// The tool palette on the main window: six tools, the pencil and circle modes, the current
// colour swatch with its colour dialog, and the pen-width slider. The canvas handlers read
// these controls at every mouse event; nothing is copied into variables of its own.
#include "document/prompts.h"
#include "imagelib/colour.h"

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
class Workspace;

enum class Tool { Pencil, Picker, Airbrush, Circle, Stamp, Fill };

class Palette : public QObject {
    Q_OBJECT
public:
    explicit Palette(Workspace &workspace, QObject *parent = nullptr);
    ~Palette() override;

    // The panel holding the tool buttons, swatch and mode frames (goes on the main window's tool
    // box), and the "Size" frame with the pen-width slider (goes on its info bar). The caller
    // takes ownership.
    QWidget *toolPanel = nullptr;
    QGroupBox *penWidthFrame = nullptr;

    QButtonGroup *toolButtons = nullptr; // one button a tool, its id the Tool
    QToolButton *pencilButton = nullptr;
    QToolButton *pickerButton = nullptr;
    QToolButton *airbrushButton = nullptr;
    QToolButton *circleButton = nullptr;
    QToolButton *stampButton = nullptr;
    QToolButton *fillButton = nullptr;
    QFrame *circleModes = nullptr;
    QFrame *pencilModes = nullptr;
    QToolButton *fromCentreButton = nullptr, *fromCornerButton = nullptr;
    QToolButton *freehandButton = nullptr, *straightLineButton = nullptr;
    PictureBox *colourSwatch = nullptr;
    QSlider *penWidthSlider = nullptr;
    QTimer circleModesTimer;
    QTimer pencilModesTimer;
    CommonDialog colourDialog;

    Tool currentTool() const;
    bool freehandMode() const;
    bool centreMode() const;
    Colour currentColour() const;
    void setCurrentColour(Colour colour);
    int penWidth() const;

    // The palette buttons and the swatch are usable exactly while a document is open.
    void setToolsEnabled(bool enabled);

    void pencilClicked();
    void pickerClicked();
    void airbrushClicked();
    void circleClicked();
    void stampClicked();
    void colourSwatchClicked();
    void penWidthChanged();
    // The slider's value in its tooltip, and over the slider while the user moves it.
    static QString penWidthText(int width);
    void showPenWidthInTip();
    void showPenWidthWhileMoving();
    void circleModesTick();
    void pencilModesTick();

signals:
    // The stamp button asks for the Pattern dialog.
    void patternDialogWanted();

private:
    PictureBox *activeCanvas() const;
    void setCanvasPointer(const QString &icon, QPoint hotSpot);
    void clampSlider(int max);

    Workspace &m_workspace;
};
