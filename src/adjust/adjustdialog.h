#pragma once
// The colour, brightness and contrast dialogs: one class, configured by a small table. Each bar is
// a slider; a press on it starts a drag, every move of the drag fills the dialog's level table
// from the position and previews the engine on the document's canvas, the release ends the drag.
// OK commits the preview, Cancel restores the picture the dialog started from.
#include "adjust/processimage.h"
#include "document/tooldialog.h"

#include <QList>

class LevelBar;
class Prompts;
class QLabel;

class AdjustDialog : public ToolDialog {
    Q_OBJECT
public:
    enum class Kind { Colours, Brightness, Contrast };

    AdjustDialog(Document &document, Kind kind, Prompts &prompts, QWidget *mainWindow);

    Kind kind() const { return m_kind; }
    // The slider bars, top to bottom: red, green and blue, or the one bar.
    QList<LevelBar *> bars;
    QList<QLabel *> labels;
    // From a press on a bar to its release; the moves in between preview.
    bool dragging() const { return m_dragging; }
    // What every preview reads, filled from the bar's position just before.
    const LevelTable &levelTable() const { return m_levels; }

    void ok() override;
    void cancel() override;
    // What a drag at X on a bar does, in words: the bar's name and the factor it applies.
    QString levelText(int index, float X) const;

protected:
    void closing() override;

private:
    void barMoved(int index, float X);
    void showLevel(int index, float X);
    // Runs the engine with the table just filled; nothing once the dialog's document has gone.
    void previewOnCanvas(const QString &operation);

    Kind m_kind;
    Prompts &m_prompts;
    LevelTable m_levels{};
    bool m_dragging = false;
};
