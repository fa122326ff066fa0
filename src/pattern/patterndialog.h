#pragma once
// The Pattern dialog: loads a stamp pattern (a mask and a face image) from two picture files,
// shows how the two combine, and on OK hands them to its document. Every showing starts from
// the default pattern, whatever the document holds.
#include "document/prompts.h"
#include "document/tooldialog.h"

class PictureBox;

class PatternDialog : public ToolDialog {
    Q_OBJECT
public:
    explicit PatternDialog(DocumentWindow &document);

    PictureBox *preview = nullptr; // the pattern combined over the box's background
    QPushButton *loadPatternButton = nullptr;
    PictureBox *mask = nullptr;
    PictureBox *face = nullptr;
    CommonDialog fileDialog;

    void ok() override;
    void loadPattern();

protected:
    void unloading() override;

private:
    void load();
    void composePreview();
    // Asks for one file with the given title. False when the user cancelled or the file could
    // not be read (the user has been told); the surface is then unchanged.
    bool loadPatternImage(PictureBox *image, const QString &title);
};
