#pragma once
// The Size dialog: "Size" stretches a document's picture to a new size, "Canvas Size" changes the
// canvas's size and keeps the pixels where they are. The boxes hold the canvas's outer size in
// pixels; the mode is chosen by the command that shows the dialog.
#include "document/tooldialog.h"

class Prompts;
class QLabel;
class QLineEdit;

// Whether a canvas may take this outer size in pixels: at least one pixel inside its border, and
// a picture inside the border that PictureLimits accepts (at most 16384 x 16384).
bool canvasSizeAllowed(double widthPixels, double heightPixels);

class SizeDialog : public ToolDialog {
    Q_OBJECT
public:
    enum class Mode { Size, CanvasSize };

    SizeDialog(Document &document, Mode mode, Prompts &prompts, QWidget *mainWindow);

    Mode mode() const { return m_mode; }

    QLabel *widthLabel = nullptr;
    QLineEdit *widthBox = nullptr; // width in pixels
    QLabel *heightLabel = nullptr;
    QLineEdit *heightBox = nullptr; // height in pixels

    void ok() override;

protected:
    void closing() override;

private:
    // False, after telling the user the limits, for a size the canvas cannot take.
    bool allowedOrRefused(double widthPixels, double heightPixels);

    Mode m_mode;
    Prompts &m_prompts;
};
