#pragma once
// The Pattern dialog: loads a stamp pattern (a mask and a face picture) from two picture files,
// shows how the two combine, and on OK hands them to its document. Every showing starts from the
// default pattern, whatever the document holds.
#include "document/picturemodel.h"
#include "document/tooldialog.h"

class CanvasView;
class Prompts;

class PatternDialog : public ToolDialog {
    Q_OBJECT
public:
    PatternDialog(Document &document, Prompts &prompts, QWidget *mainWindow);

    // The pattern combined over the preview's background, and the two pictures it is made of.
    PictureModel preview;
    PictureModel mask;
    PictureModel face;
    CanvasView *previewView = nullptr;
    QPushButton *loadPatternButton = nullptr;

    void ok() override;
    void loadPattern();

private:
    void composePreview();
    // Asks for one file with the given title. False when the user cancelled or the file could not
    // be read (the user has been told); the picture is then unchanged.
    bool loadPatternPicture(PictureModel &picture, const QString &title);

    Prompts &m_prompts;
};
