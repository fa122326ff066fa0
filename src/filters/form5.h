#pragma once
// The Size dialog: "Size" stretches the active document's picture to a new size, "Canvas Size"
// changes the canvas's size and keeps the pixels where they are. The boxes hold the canvas's
// outer size in pixels; the main window's CanSize, read at load and at OK, chooses the mode.
#include "document/tooldialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Whether a canvas may take this outer size in pixels: from 5 (one pixel inside the border) to
// 16384 a side, and at most 100 megapixels in all.
bool canvasSizeAllowed(double widthPixels, double heightPixels);

class Form5 : public ToolDialog {
    Q_OBJECT
public:
    Form5();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr; // width in pixels
    QLabel *Label2 = nullptr;
    QLineEdit *Text2 = nullptr; // height in pixels
    QPushButton *Command1 = nullptr; // OK
    QPushButton *Command2 = nullptr; // Cancel

    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Unload() override;

private:
    void Form_Load();
    // False, after telling the user the limits, for a size the canvas cannot take.
    bool allowedOrRefused(double widthPixels, double heightPixels);
};
