#pragma once
// The Rotate dialog: an angle in whole degrees; OK turns the active document's picture about
// its centre inside the canvas at its present size and stores the result as the canvas's picture.
#include "document/tooldialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

class frmRotate : public ToolDialog {
    Q_OBJECT
public:
    frmRotate();

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;

    void Command1_Click();
    void Command2_Click();

protected:
    void Form_Unload() override;
};
