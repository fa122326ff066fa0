#pragma once
// The tool palette on the main window: six tool buttons, the pencil's and the circle's modes, the
// current colour's swatch with its colour dialog, and the pen-width slider. It edits the
// ToolSettings the canvas tools read, and tells the main window what a click asks of the active
// document's canvas: a pointer, a pen width, the Pattern dialog.
#include "tools/toolsettings.h"

#include <QCursor>
#include <QObject>

class ColourSwatch;
class Prompts;
class QButtonGroup;
class QFrame;
class QGroupBox;
class QSlider;
class QToolButton;
class QWidget;

class Palette : public QObject {
    Q_OBJECT
public:
    // `dialogParent` is the window the colour dialog is shown over.
    Palette(ToolSettings &settings, Prompts &prompts, QWidget *dialogParent, QObject *parent = nullptr);
    ~Palette() override;

    // The panel holding the tool buttons, swatch and mode frames (goes on the main window's tool
    // box), and the "Size" frame with the pen-width slider (goes on its info bar). The caller
    // takes ownership.
    QWidget *toolPanel = nullptr;
    QGroupBox *penWidthFrame = nullptr;

    QButtonGroup *toolButtons = nullptr; // one button a tool, its id the ToolKind
    QToolButton *pencilButton = nullptr;
    QToolButton *pickerButton = nullptr;
    QToolButton *airbrushButton = nullptr;
    QToolButton *circleButton = nullptr;
    QToolButton *stampButton = nullptr;
    QToolButton *fillButton = nullptr;
    QFrame *pencilModes = nullptr;
    QFrame *circleModes = nullptr;
    QToolButton *freehandButton = nullptr, *straightLineButton = nullptr;
    QToolButton *fromCentreButton = nullptr, *fromCornerButton = nullptr;
    ColourSwatch *colourSwatch = nullptr;
    QSlider *penWidthSlider = nullptr;

    ToolSettings &settings() const { return m_settings; }
    // The palette buttons and the swatch are usable exactly while a document is open.
    void setToolsEnabled(bool enabled);

    // The slider's value in its tooltip, and over the slider while the user moves it.
    static QString penWidthText(int width);

signals:
    // A click asks the active document's canvas to show this pointer.
    void canvasPointerChosen(const QCursor &pointer);
    // A click or the slider gives the active document's canvas this pen width.
    void canvasPenWidthChosen(int width);
    // The stamp button asks for the Pattern dialog.
    void patternDialogWanted();

private:
    void toolClicked(int id);
    void chooseColour();
    void showPenWidthInTip();
    void showPenWidthWhileMoving();
    void showModesOf(ToolKind tool);

    ToolSettings &m_settings;
    Prompts &m_prompts;
    QWidget *m_dialogParent;
};
