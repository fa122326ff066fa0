#pragma once
// The document window: one picture with its five surfaces, its own colour dialog, the stroke
// fields the canvas tools keep between mouse events, its undo history, and the save question
// on close.
#include "document/colour.h"
#include "document/history.h"
#include "document/prompts.h"

#include <QPointF>
#include <QWidget>

class PictureBox;
class QMdiSubWindow;

// State of the canvas tools between mouse events.
struct StrokeFields {
    bool Drawing = false;
    float StartX = 0, StartY = 0;
    float SprayX = 0, SprayY = 0;
    Colour TargetColor = 0;
    float ScanX = 0, ScanY = 0;
};

class Form1 : public QWidget, public DocumentHistory {
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    PictureBox *Picture1 = nullptr; // the canvas
    PictureBox *Picture2 = nullptr; // the snapshot
    PictureBox *work = nullptr;     // the stamp's scratch surface
    PictureBox *mask = nullptr;     // the stamp pattern's mask
    PictureBox *face = nullptr;     // the stamp pattern's face
    CommonDialog CD1;
    StrokeFields stroke;
    bool HistoryReady = false;
    int OutputDC = 0;

    // The window's caption, and its outer size in twips: the canvas area plus a fixed frame of
    // 100 twips across and 400 down.
    QString Caption() const;
    void setCaption(const QString &caption);
    double Width() const;
    double Height() const;
    void setWidth(double twips);
    void setHeight(double twips);

    // The load steps: history ready, palette and menus enabled, shown, pending events processed.
    void Form_Load();
    // Steps back to the previous state, and forth to the last one undone. The canvas shows the
    // restored state; the snapshot keeps the last commit.
    void Undo();
    void Redo();
    // The Edit menu's Undo and Redo follow this document's lists, while it is the active one.
    void RefreshUndoMenus();
    void GetOutputDC();
    // The longer string's d extra characters from position startSearch - d (counted from 1).
    static QString Change(const QString &lParam1, const QString &lParam2, int startSearch);

    // "W" + "x" + "H" + " " + kB + "kB": the canvas's outer size and its temp file's size.
    static QString pictureInfoText(float width, float height, qint64 fileBytes);

    // Called by CommitPicture once the canvas and snapshot hold the committed picture.
    void pictureCommitted();
    // Records the canvas's stored picture as the newest state of the history (after a commit,
    // an Open into this window, a rotation); nothing when it equals the current state.
    void RecordState();

signals:
    void Committed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Picture1_Change();
    void Picture1_Resize();
    QWidget *frameWindow() const;
    QSize contentSize() const;
    void setContentSize(QSize size);
};
