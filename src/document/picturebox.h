#pragma once
// A picture surface: a stored picture, a persistent bitmap that all drawing goes into, a
// background colour, a pen width and an outer size in twips. Every rule of the surface lives
// here once: what writing Picture clears, what BackColor erases, what a resize keeps.
//
// Cost model: pictures are shared, never copied (QImage implicit sharing). A hidden surface
// builds its bitmap only when something first reads or draws into it, and Cls restores only
// the rectangle drawn since the bitmap last equalled the stored picture.
#include "document/colour.h"

#include <QFrame>
#include <QImage>
#include <QPointF>

#include <functional>

class Dc;

class PictureBox : public QFrame {
    Q_OBJECT
public:
    // `border` is the width of the sunken frame around the bitmap (2 for the canvas).
    explicit PictureBox(QWidget *parent = nullptr, int border = 0);

    // The stored picture (may be null).
    QImage Picture() const { return m_picture; }
    // Stores a picture: a non-null one sizes the surface to it; the bitmap is cleared to the
    // background colour and the picture drawn at the top-left. Raises Change (and Resize when
    // the size changed).
    void setPicture(const QImage &picture);

    // The persistent bitmap as drawn so far (Format_BGR888, inner size).
    QImage Image();
    // Clears the bitmap back to the stored picture (background where the picture does not reach).
    void Cls();
    Dc hDC();
    // Repaints the visible surface from the bitmap.
    void Refresh();

    // Drawing with the pen width; every Line leaves the current position at its end.
    void Line(QPointF from, QPointF to, Colour colour);
    void LineTo(QPointF to, Colour colour);
    // Outline of a circle; nothing for a radius that is not positive.
    void Circle(QPointF centre, double radius, Colour colour);
    // A filled box between two corners (the slider bars of the adjustment dialogs).
    void FillBox(QPointF corner1, QPointF corner2, Colour colour);
    QPointF currentPosition() const { return m_current; }

    int DrawWidth() const { return m_drawWidth; }
    void setDrawWidth(int width);

    Colour BackColor() const { return m_backColor; }
    // Erases everything drawn into the bitmap: it shows the new colour with the picture over it.
    void setBackColor(Colour colour);

    // Outer size in twips. Growing keeps the bitmap's pixels in place and fills new area with
    // the background colour; shrinking drops what lies beyond. Raises Resize.
    double Width() const;
    double Height() const;
    void setWidth(double twips);
    void setHeight(double twips);
    void setOuterSizePixels(QSize outer);
    QSize outerSizePixels() const { return m_outer; }

    // Inner size in pixels.
    int ScaleWidth() const { return m_inner.width(); }
    int ScaleHeight() const { return m_inner.height(); }
    QSize innerSize() const { return m_inner; }
    int border() const { return m_border; }

    bool Visible() const { return isVisible(); }
    void setVisibleSurface(bool visible) { setVisible(visible); }

    // The stored picture to change in place (the pixel engine). The bitmap lets go of it first,
    // so the write copies only on account of other holders, and shares it again at the next
    // read or paint.
    QImage &pictureForWrite();

    // Raster access for Dc: the bitmap ready to read, or to write a rectangle of it.
    const QImage &bitmapForRead();
    QImage &bitmapForWrite();
    void markDrawn(const QRect &rect);

signals:
    void Change();
    void Resize();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void resizeInner(QSize inner, bool keepPixels);
    void ensureBitmap();
    void rebuildBitmap();
    void restoreRect(const QRect &rect);
    void emitMouse(QMouseEvent *event, int kind);
    QRect penBounds(QPointF a, QPointF b, double extra) const;
    void drawWith(const QRect &bounds, const std::function<void(class QPainter &)> &paint);

    QImage m_picture;
    QImage m_image;
    bool m_bitmapStale = true; // the bitmap is due to be rebuilt as background + picture
    QRect m_drawn;             // drawn since the bitmap last equalled background + picture
    Colour m_backColor = 0;
    int m_drawWidth = 1;
    QPointF m_current;
    int m_border = 0;
    QSize m_outer;
    QSize m_inner;
};
