#pragma once
// The view of a document's canvas: it scrolls wherever the window is smaller than the canvas and
// zooms, per document, starting at 100 %. The canvas keeps its own size, twips and bitmap; only
// what the window shows of it moves. The canvas sits at the top-left corner, as it always has.
#include <QAbstractScrollArea>
#include <QPoint>
#include <array>

class PictureBox;

class CanvasView : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr double MinimumZoom = 0.01;
    static constexpr double MaximumZoom = 32;
    // The levels Ctrl++ and Ctrl+- step through: 12.5 % to 3200 %.
    static constexpr std::array<double, 14> ZoomSteps = {1.0 / 8, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1, 1.5,
                                                        2,       3,       4,       6,       8,       16,  32};
    // The next step above (below) a zoom that may lie between steps; the zoom itself at the end.
    static double stepAbove(double zoom);
    static double stepBelow(double zoom);
    // "12.5 %", "33 %", "100 %": the level as the zoom box shows it.
    static QString zoomText(double zoom);
    // A level typed as "150", "150%" or "150 %"; 0 when the text is no level from 1 % to 3200 %.
    static double zoomFromText(const QString &text);

    CanvasView(PictureBox *canvas, QWidget *parent = nullptr);

    PictureBox *canvas() const { return m_canvas; }
    double zoom() const;
    // Zooms keeping the picture point under `anchor` (a viewport position) where it is.
    void setZoom(double zoom, QPointF anchor);
    // Zooms about the middle of the view.
    void setZoom(double zoom);
    void zoomIn();
    void zoomOut();
    // The zoom at which the whole picture fits the window without scrollbars.
    double fitZoom() const;
    void zoomToFit();
    void zoomToActualSize();
    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);

signals:
    void zoomChanged(double zoom);
    // The picture pixel under the pointer; pointerLeft when the pointer is off the picture.
    void pointerMoved(QPoint pixel);
    void pointerLeft();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void layoutCanvas();
    void reportPointer(QPointF canvasPosition);
    void reportPointerAfterViewChange();

    PictureBox *m_canvas;
    int m_wheelZoomAngle = 0; // Ctrl+wheel turns not yet a whole step
};
