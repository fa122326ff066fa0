#pragma once
// One picture being edited, apart from the window that shows it: the canvas (the picture the
// user sees and edits), the snapshot (the picture as last committed, or as a command left it),
// the stamp's pattern, the undo history, the caption, and the commit of every edit through the
// temp file. It announces what the window and the main window show (caption, picture info,
// whether Undo and Redo can act) by signal.
#include "document/history.h"
#include "document/picturemodel.h"
#include "document/stamppattern.h"

#include <QObject>
#include <QString>

class TempFile;

class Document : public QObject {
    Q_OBJECT
public:
    // The sunken border around the canvas's bitmap, in pixels on each side: the canvas's outer
    // size, as the Size dialog and the picture info show it, counts it.
    static constexpr int CanvasBorder = 2;

    Document(TempFile &tempFile, HistoryBudget &budget, QObject *parent = nullptr);

    PictureModel &canvas() { return m_canvas; }
    PictureModel &snapshot() { return m_snapshot; }
    StampPattern &pattern() { return m_pattern; }
    DocumentHistory &history() { return m_history; }
    TempFile &tempFile() const { return m_tempFile; }

    QString caption() const { return m_caption; }
    void setCaption(const QString &caption);

    // Shown in a window and not yet closed: commands and dialogs that outlive a yield ask this.
    bool isOpen() const { return m_open; }
    // Shown: the history is ready and holds the canvas as it shows now as its first state.
    void open();
    // Closed: the history is discarded and neither Undo nor Redo acts on it again.
    void close();

    // Every edit ends here: the canvas as drawn becomes its stored picture and the snapshot's,
    // the temp file is written with it (in the background) and the history records it.
    void commitPicture();
    // Records the canvas's stored picture as the newest state of the history (after a commit, an
    // Open into this document, a rotation); nothing when it equals the current state.
    void recordState(const PictureChange &change = {});

    // Steps back to the previous state, and forth to the last one undone. The canvas shows the
    // restored state; the snapshot and the temp file keep the last commit.
    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const;

    // "W" + "x" + "H" + " " + kB + "kB": the canvas's outer size and its temp file's size.
    static QString pictureInfoText(float width, float height, qint64 fileBytes);
    // The text as the canvas last changed ("" before the first change).
    QString pictureInfo() const { return m_pictureInfo; }

    // The colour New's colour dialog last gave this document's background (black at first).
    Colour newBackgroundColour = 0;

signals:
    void captionChanged(const QString &caption);
    void pictureInfoChanged(const QString &text);
    // Undo or Redo may have come to act, or stopped acting (a new state, a step, the budget).
    void undoStateChanged();
    void committed();
    // A command could not have the memory for a picture of this size; told once per command,
    // after it has finished.
    void outOfMemory(QSize size);

private:
    void canvasPictureChanged();
    void memoryShort(QSize size);
    void stepThroughHistory(bool back);
    // Stores the picture of the state Undo or Redo stepped to in the canvas.
    void showState(const HistoryStep &step);

    TempFile &m_tempFile;
    PictureModel m_canvas;
    PictureModel m_snapshot;
    StampPattern m_pattern;
    DocumentHistory m_history;
    QString m_caption;
    QString m_pictureInfo;
    bool m_open = false;
    // Undo and Redo may act: false only while one of them runs, and once the document is closed.
    bool m_historyReady = false;
    bool m_memoryShortTold = false;
};
