#pragma once
// The Pattern dialog: loads a stamp pattern (a mask and a face image) from two picture files,
// shows how the two combine, and on OK hands them to the active document. Every showing
// starts from the default pattern, whatever the document holds.
#include "document/prompts.h"
#include "document/tooldialog.h"

class PictureBox;
class QPushButton;

class frmPat : public ToolDialog {
    Q_OBJECT
public:
    frmPat();

    PictureBox *final = nullptr; // the preview: the pattern combined over the box's background
    QPushButton *Command1 = nullptr; // &OK
    QPushButton *Command2 = nullptr; // &Cancel
    QPushButton *Command3 = nullptr; // Load Pattern
    PictureBox *mask = nullptr;
    PictureBox *face = nullptr;
    CommonDialog CD1;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

protected:
    void Form_Unload() override;

private:
    void Form_Load();
    void composePreview();
    // Asks for one file with the given title. False when the user cancelled or the file could
    // not be read (the user has been told); the surface is then unchanged.
    bool loadPatternImage(PictureBox *image, const QString &title);
};
