#pragma once
// The colour, brightness and contrast dialogs: one class, configured by a small table. Each
// bar is a slider; a press on it starts a drag, every move of the drag fills the level table
// from the position and previews the engine on the document's canvas, the release ends the
// drag. OK commits the preview, Cancel restores the picture the dialog started from.
#include "adjust/processimage.h"
#include "document/tooldialog.h"
#include "imagelib/colour.h"

#include <QList>

class PictureBox;

class AdjustDialog : public ToolDialog {
    Q_OBJECT
public:
    enum class Kind { Colours, Brightness, Contrast };

    AdjustDialog(DocumentWindow &document, Kind kind);

    Kind kind() const { return m_kind; }
    // The slider bars, top to bottom: red, green and blue, or the one bar.
    QList<PictureBox *> bars;
    QList<QLabel *> labels;
    // From a press on a bar to its release; the moves in between preview.
    bool dragging() const { return m_dragging; }

    void ok() override;
    void cancel() override;
    // What a drag at X on a bar does, in words: the bar's name and the factor it applies.
    QString levelText(int index, float X) const;

protected:
    void unloading() override;

private:
    void barMoved(int index, float X);
    // The bar colour up to X, the rest colour from X to the 200-pixel frame's end.
    void drawBar(int index, float X);
    void showLevel(int index, float X);
    // Runs the engine with the table just filled, repaints the canvas and yields once; nothing
    // once the dialog's document has gone. The dialog may be gone when this returns.
    void previewOnCanvas(const QString &operation);

    Kind m_kind;
    bool m_dragging = false;
};
