#pragma once
// A picture surface: a stored picture, a persistent bitmap that all drawing goes into, a
// background colour, a pen width and an outer size in twips. Every rule of the surface lives
// here once: what storing a picture clears, what the background colour erases, what a resize keeps.
//
// Cost model: pictures are shared, never copied (QImage implicit sharing). A hidden surface
// builds its bitmap only when something first reads or draws into it, and Cls restores only
// the rectangle drawn since the bitmap last equalled the stored picture. Whatever must write
// pixels that are shared gets its copy from the picture memory (reused, already-touched pages),
// never from a fresh detach.
//
// Out of memory: a write that needs a copy it cannot have is not made (the writer is handed a
// null picture, which every kernel leaves alone), a resize that needs a new bitmap leaves the
// surface as it was, and outOfMemory tells whoever shows messages.
#include "imagelib/colour.h"

#include <QFrame>
#include <QImage>
#include <QPointF>

#include <functional>
#include <memory>

class Dc;
class ViewCache;

class PictureBox : public QFrame {
    Q_OBJECT
public:
    // `border` is the width of the sunken frame around the bitmap (2 for the canvas).
    explicit PictureBox(QWidget *parent = nullptr, int border = 0);
    ~PictureBox() override;

    // The stored picture (may be null).
    QImage picture() const { return m_picture; }
    // Stores a picture: a non-null one sizes the surface to it; the bitmap is cleared to the
    // background colour and the picture drawn at the top-left. Raises pictureChanged (and
    // resized when the size changed).
    void setPicture(const QImage &picture);
    // The same for a picture that has the stored picture's pixels outside `differsWithin`: a
    // bitmap that shows the stored picture has only those rectangles (and what was drawn) brought
    // back, instead of being rebuilt whole.
    void setPicture(const QImage &picture, const QList<QRect> &differsWithin);

    // The persistent bitmap as drawn so far (Format_BGR888, inner size); null only when there is
    // no memory to build it.
    QImage image();
    // Clears the bitmap back to the stored picture (background where the picture does not reach).
    void cls();
    Dc dc();
    // Repaints the visible surface from the bitmap.
    void refresh();

    // Drawing with the pen width; every line leaves the current position at its end.
    void line(QPointF from, QPointF to, Colour colour);
    void lineTo(QPointF to, Colour colour);
    // Outline of a circle; nothing for a radius that is not positive.
    void circle(QPointF centre, double radius, Colour colour);
    // A filled box between two corners (the slider bars of the adjustment dialogs).
    void fillBox(QPointF corner1, QPointF corner2, Colour colour);
    QPointF currentPosition() const { return m_current; }

    int drawWidth() const { return m_drawWidth; }
    void setDrawWidth(int width);

    Colour backColour() const { return m_backColour; }
    // Erases everything drawn into the bitmap: it shows the new colour with the picture over it.
    void setBackColour(Colour colour);

    // Outer size in twips. Growing keeps the bitmap's pixels in place and fills new area with
    // the background colour; shrinking drops what lies beyond. Raises resized. Without memory for
    // the new bitmap nothing changes (and outOfMemory is raised): the setters that say so return
    // false. Setting both sides at once (as Width then Height would) makes one new bitmap.
    double widthTwips() const;
    double heightTwips() const;
    void setWidthTwips(double twips);
    void setHeightTwips(double twips);
    bool setSizeTwips(double widthTwips, double heightTwips);
    bool setOuterSizePixels(QSize outer);
    QSize outerSizePixels() const { return m_outer; }

    // Inner size in pixels.
    int innerWidth() const { return m_inner.width(); }
    int innerHeight() const { return m_inner.height(); }
    QSize innerSize() const { return m_inner; }

    // The stored picture to change in place (the pixel engine). The bitmap lets go of it first,
    // so the write copies only on account of other holders, and shares it again at the next
    // read or paint.
    QImage &pictureForWrite();

    // Raster access for Dc and the kernels: the bitmap ready to read, or to write a rectangle of
    // it (pixels of its own; null when they cannot be had).
    const QImage &bitmapForRead();
    QImage &bitmapForWrite();
    // The bitmap for a kernel that rewrites it whole or not at all, and makes a picture of its own
    // (picture memory) before writing pixels that are shared, rather than copy them first.
    QImage &bitmapForRewrite();
    // A new bitmap of the inner size in Format_BGR888 covering the whole surface (a stretch);
    // anything else is ignored.
    void replaceBitmap(const QImage &bitmap);
    void markDrawn(const QRect &rect);
    // Where the bitmap may differ from the background and the stored picture: nothing has been
    // drawn elsewhere since it last showed exactly them.
    QRect drawnRect() const { return m_drawn; }

    // How the surface is shown: each bitmap pixel as `zoom` screen pixels (1 = as drawn), inside
    // the border. Only the widget's size and its look change; the outer size in twips, the
    // bitmap and everything drawn stay as they are.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);
    // The bitmap position under a point of the widget: at 100 % the point less the border, at
    // any other zoom the bitmap pixel shown there (rounding down).
    QPointF bitmapPositionAt(QPointF widgetPosition) const;

signals:
    void pictureChanged();
    void resized();
    // Mouse positions in the bitmap's pixels, origin at its top-left corner; every button acts
    // alike.
    void mousePressed(float x, float y);
    void mouseMoved(float x, float y);
    void mouseReleased(float x, float y);
    // A picture of this size could not be had: the change that needed it was not made.
    void outOfMemory(QSize size);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool resizeInner(QSize inner, bool keepPixels);
    bool ensureBitmap();
    bool rebuildBitmap();
    QImage &unwritable();
    void reportOutOfMemory(QSize size);
    void restoreRect(const QRect &rect);
    // The bitmap changed in `rect` (or everywhere): the view shows it at the next paint.
    void showChanged(const QRect &rect);
    void showChangedEverywhere();
    // Before a new stored picture replaces what the bitmap shows: only what differs is shown anew.
    void showPictureReplacing(const QImage &picture);
    void resizeToView();
    QRect penBounds(QPointF a, QPointF b, double extra) const;
    void drawWith(const QRect &bounds, const std::function<void(class QPainter &)> &paint);

    QImage m_picture;
    QImage m_image;
    QImage m_unwritable; // what a write is handed when memory is short: always null
    bool m_bitmapStale = true; // the bitmap is due to be rebuilt as background + picture
    QRect m_drawn;             // drawn since the bitmap last equalled background + picture
    Colour m_backColour = 0;
    int m_drawWidth = 1;
    QPointF m_current;
    int m_border = 0;
    QSize m_outer;
    QSize m_inner;
    double m_zoom = 1;
    std::unique_ptr<ViewCache> m_viewCache; // from the first zoom on
};
