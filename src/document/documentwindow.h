#pragma once
// The document window: one picture with its surfaces, its own colour dialog for New's
// background, the stroke fields the canvas tools keep between mouse events, its undo history,
// and the save question on close.
#include "document/history.h"
#include "document/prompts.h"
#include "imagelib/colour.h"

#include <QWidget>

class CanvasView;
class PictureBox;
class Workspace;

// State of the canvas tools between mouse events.
struct StrokeFields {
    bool drawing = false;
    float startX = 0, startY = 0;
    float sprayX = 0, sprayY = 0;
    Colour targetColour = 0;
};

class DocumentWindow : public QWidget, public DocumentHistory {
    Q_OBJECT
public:
    // The window's outer size counts a fixed frame around the canvas area (caption and
    // borders), whatever the style's real frame is, so that a window sized to its canvas plus
    // this frame shows the whole canvas.
    static constexpr double FrameTwipsX = 100;
    static constexpr double FrameTwipsY = 400;
    // The sunken border around the canvas's bitmap, in pixels on each side.
    static constexpr int CanvasBorder = 2;

    explicit DocumentWindow(Workspace &workspace, QWidget *parent = nullptr);
    ~DocumentWindow() override;

    PictureBox *canvas = nullptr;   // the picture the user sees and edits
    PictureBox *snapshot = nullptr; // the picture as last committed (or as the tools left it)
    PictureBox *mask = nullptr;     // the stamp pattern's mask
    PictureBox *face = nullptr;     // the stamp pattern's face
    CanvasView *view = nullptr;     // what the window shows of the canvas: scrolled, zoomed
    CommonDialog backgroundColourDialog;
    StrokeFields stroke;
    // Undo and Redo may act: false only while one of them runs, and once the window is closed.
    bool historyReady = false;

    Workspace &workspace() const { return m_workspace; }
    // Loaded and not yet closed: commands and dialogs that outlive a yield ask this.
    bool isOpen() const { return m_open; }

    QString caption() const;
    void setCaption(const QString &caption);
    // The window's outer size in twips: the canvas area plus the fixed frame. Inside the main
    // window it is never set larger than the visible workspace; the canvas scrolls instead.
    double widthTwips() const;
    double heightTwips() const;
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    // Sizes the window to its canvas plus the frame.
    void fitToCanvas();

    // The load steps: history ready, palette and menus enabled, shown, pending events processed.
    void load();
    // Steps back to the previous state, and forth to the last one undone. The canvas shows the
    // restored state; the snapshot keeps the last commit.
    void undo();
    void redo();
    // The Edit menu's Undo and Redo follow this document's lists, while it is the active one.
    void refreshUndoMenus();

    // "W" + "x" + "H" + " " + kB + "kB": the canvas's outer size and its temp file's size.
    static QString pictureInfoText(float width, float height, qint64 fileBytes);
    // This document's picture-info text as its canvas last changed ("" before the first change).
    QString pictureInfo() const { return m_pictureInfo; }

    // Called by commitPicture once the canvas and snapshot hold the committed picture; `drawn`
    // says where it can differ from the picture stored before the commit.
    void pictureCommitted(const PictureChange &drawn = {});
    // Records the canvas's stored picture as the newest state of the history (after a commit,
    // an Open into this window, a rotation); nothing when it equals the current state.
    void recordState(const PictureChange &change = {});

signals:
    void committed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Stores the picture of the state Undo or Redo stepped to in the canvas.
    void showState(const HistoryStep &step);
    void canvasPictureChanged();
    void canvasResized();
    void memoryShort(QSize size);
    QWidget *frameWindow() const;
    QSize contentSize() const;
    void setContentSize(QSize size);

    Workspace &m_workspace;
    bool m_open = false;
    QString m_pictureInfo;
    bool m_memoryShortTold = false;
};
