#pragma once
// The one widget that shows a picture: it paints a PictureModel inside its sunken border at a
// zoom of its own, scrolls wherever the window is smaller than the picture, and turns the mouse
// on the picture into picture positions. The picture sits at the top-left corner, as it always
// has. Below 100 % it paints area-averaged reduced copies kept in tiles (ViewCache), above it
// sharp pixels.
#include <QAbstractScrollArea>
#include <QPoint>
#include <QPointer>

#include <array>
#include <memory>
#include <optional>

class PictureModel;
class QImage;
class ViewCache;

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

    explicit CanvasView(PictureModel &model, QWidget *parent = nullptr);
    ~CanvasView() override;

    PictureModel &model() const { return *m_model; }
    // The part of the view the picture and its border take: where the mouse acts on the picture
    // and where the pointer of the current tool shows.
    QWidget *pictureArea() const;
    // The pointer shown over the picture.
    void setPointer(const QCursor &pointer);

    double zoom() const { return m_zoom; }
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
    // The whole picture from its top-left corner: fitted when it is larger than the window,
    // at 100 % otherwise.
    void showWhole();
    // Off for a view that only shows a picture: the wheel and the zoom calls leave it at 100 %.
    void setZoomable(bool zoomable) { m_zoomable = zoomable; }
    QPoint scrollPosition() const;
    void setScrollPosition(QPoint position);

    // The picture position shown at a point of pictureArea() (screen pixels, any point): at 100 %
    // the point less the border, at any other zoom the picture pixel shown there (rounding down).
    QPointF picturePositionAt(QPointF areaPosition) const;
    // The picture pixel shown there, if the point is on the picture.
    std::optional<QPoint> picturePixelAt(QPointF areaPosition) const;

signals:
    // The mouse on the picture area, in its screen pixels (outside it too while a button is held);
    // picturePositionAt() tells what lies under any of them. Every button acts alike. Only a
    // press on the picture or its border starts a press-move-release sequence.
    void mousePressed(QPointF areaPosition);
    void mouseMoved(QPointF areaPosition);
    void mouseReleased(QPointF areaPosition);
    void zoomChanged(double zoom);
    // The pointer is over the picture area (or the picture moved under it); pointerLeft when it
    // has left the area.
    void pointerMoved(QPointF areaPosition);
    void pointerLeft();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    class Area;
    friend class Area;

    void paintArea(QPainter &painter, const QRect &area);
    void showChanged(const QRect &rect);
    void showChangedEverywhere();
    void showReplaced(const QImage &before);
    void sizeArea();
    void layoutArea();
    void reportPointerAfterViewChange();
    QSize shownSize() const;

    QPointer<PictureModel> m_model;
    Area *m_area = nullptr;
    double m_zoom = 1;
    bool m_zoomable = true;
    std::unique_ptr<ViewCache> m_cache; // from the first zoom on
    int m_wheelZoomAngle = 0;           // Ctrl+wheel turns not yet a whole step
};
