#pragma once
// The Rotate dialog: an angle in whole degrees; OK turns the document's picture about its centre
// inside the canvas at its present size and stores the result as the canvas's picture.
#include "document/tooldialog.h"

class QLabel;
class QLineEdit;

class RotateDialog : public ToolDialog {
    Q_OBJECT
public:
    RotateDialog(Document &document, QWidget *mainWindow);

    QLabel *angleLabel = nullptr;
    QLineEdit *angleBox = nullptr;

    void ok() override;
};
